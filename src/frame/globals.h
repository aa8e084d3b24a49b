#pragma once

// The shared globals of the suite's data module, by the names the procedures use. Session
// globals belong to the signed-on company and user (one per process); thread globals belong to
// one context (a top-level window and the procedures it calls).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/field.h"

namespace koreq::frame {

// F(kind, member, length, "NAME"): kind is Long, String (length in characters), Decimal or Byte.
#define KOREQ_SESSION_GLOBALS(F)                         \
  F(String, DATAPATH, 260, "DATAPATH")                   \
  F(String, INIPATH, 260, "INIPATH")                     \
  F(String, CONTROLPATH, 260, "CONTROLPATH")             \
  F(String, USERID, 3, "USERID")                         \
  F(String, COMPANYID, 5, "COMPANYID")                   \
  F(String, COMPANYNAME, 50, "COMPANYNAME")              \
  F(Long, CURRENTFISCALPERIOD, 0, "CURRENTFISCALPERIOD") \
  F(Long, COSTCODELEN, 0, "COSTCODELEN")                 \
  F(String, HELPNAME, 260, "HELPNAME")                   \
  F(Byte, LogUserActivity, 0, "GLO:LogUserActivity")     \
  F(Byte, AutoEntry, 0, "GLO:AutoEntry")                 \
  F(Byte, PrintPreview, 0, "GLO:PrintPreview")           \
  F(Long, PreviewZoom, 0, "GLO:PreviewZoom")             \
  F(Long, STARTX, 0, "STARTX")                           \
  F(Long, STARTY, 0, "STARTY")                           \
  F(Byte, OPENMAX, 0, "OPENMAX")                         \
  F(Long, MAXHEIGHT, 0, "MAXHEIGHT")                     \
  F(Byte, FontDisable, 0, "AnyFont:Disable")             \
  F(String, FontName, 31, "AnyFont:FontName")            \
  F(Long, FontSize, 0, "AnyFont:FontSize")               \
  F(Long, FontColor, 0, "AnyFont:FontColor")             \
  F(Long, FontCharset, 0, "AnyFont:FontCharset")         \
  F(Long, FontStyle, 0, "AnyFont:FontStyle")

#define KOREQ_THREAD_GLOBALS(F)                      \
  F(Long, GlobalRequest, 0, "GlobalRequest")         \
  F(Long, GlobalResponse, 0, "GlobalResponse")       \
  F(String, REPORTFILTER, 3000, "REPORTFILTER")      \
  F(String, EQUIPFIELD, 20, "EQUIPFIELD")            \
  F(String, KORFIELD, 10, "KORFIELD")                \
  F(Long, GLOBALREPORTLIMIT, 0, "GLOBALREPORTLIMIT") \
  F(Decimal, DECIMALVARIABLE, 15, "DECIMALVARIABLE") \
  F(String, PDFFILENAME, 260, "PDFFILENAME")         \
  F(Byte, EMAILME, 0, "EMAILME")                     \
  F(Byte, EXPORTME, 0, "EXPORTME")                   \
  F(String, MMToAddress, 250, "MM:TOADDRESS")        \
  F(String, MMToName, 100, "MM:TONAME")              \
  F(String, MMSubject, 250, "MM:SUBJECT")            \
  F(Byte, POSTTYPE, 0, "POSTTYPE")                   \
  F(Long, Increment, 0, "GLO:Increment")             \
  F(Long, ImageX, 0, "GLO:ImageX")                   \
  F(Long, ImageY, 0, "GLO:ImageY")                   \
  F(Long, ImageWidth, 0, "GLO:ImageWidth")           \
  F(Long, ImageHeight, 0, "GLO:ImageHeight")         \
  F(String, GCALCReturnField, 1000, "GCALCReturnField")

#define KOREQ_GCTYPE_Long(n) std::int64_t
#define KOREQ_GCTYPE_Byte(n) std::uint8_t
#define KOREQ_GCTYPE_String(n) ::koreq::Str<n>
#define KOREQ_GCTYPE_Decimal(n) ::koreq::Decimal
#define KOREQ_GMEMBER(kind, member, len, name) KOREQ_GCTYPE_##kind(len) member{};

struct GlobalDef {
  std::string name;
  data::Value (*get)(const void* g) = nullptr;
  bool (*set)(void* g, const data::Value& v, std::string* why) = nullptr;
};

struct SessionGlobals {
  KOREQ_SESSION_GLOBALS(KOREQ_GMEMBER)
  static const std::vector<GlobalDef>& defs();
};

struct ThreadGlobals {
  KOREQ_THREAD_GLOBALS(KOREQ_GMEMBER)
  // The shared lists: tagged batches to post, tagged note numbers, general text lines
  // (report export lines, files to attach, job choices), report limit lines.
  std::vector<std::uint16_t> TAGQUE;
  std::vector<std::int32_t> TAGQUE2;
  std::vector<std::string> RXQUEUE;
  std::vector<std::string> RPTLIMITQ;
  static const std::vector<GlobalDef>& defs();
};

const GlobalDef* findGlobal(const std::vector<GlobalDef>& defs, std::string_view name);

}  // namespace koreq::frame
