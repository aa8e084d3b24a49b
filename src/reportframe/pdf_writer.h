#pragma once

// PdfReportWriter: turns a report's page list into PDF files. Every page image is laid onto a
// PDF page of the report's paper (Qt's PDF writer), a page at a time, so memory does not grow
// with the page count, with the watermark over every page when one is set; each finished
// document is then rewritten by qpdf with its document information, the outline of the
// bookmarks, the links and the text notes the report marked in its text (page_marks.h) and,
// when asked, AES-256 security, to its target name.
//
// The usual sequence: init() with the folder, pages per file and file name; set the document
// information, security, paper and progress; generate() with the page list. generate() answers
// 1 when at least one file was produced, 0 otherwise; error() says why when there is something
// to say (an empty page list or target name, or a run cancelled by the user, says nothing).

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "reportframe/page_marks.h"
#include "reportframe/paper.h"
#include "reportframe/report_def.h"

namespace koreq::reportframe {

// The document's information entries.
struct PdfDocumentInfo {
  std::string title;
  std::string subject;
  std::string author;
  std::string creator;
  std::string keywords;  // up to 1,024 characters; the others up to 260
};

// What a reader who opened the file with the user password may do (the owner may do all).
struct PdfPermissions {
  bool print = true;
  bool printHighResolution = true;
  bool modify = true;
  bool copy = true;
  bool annotate = true;
  bool fillForms = true;
  bool accessibility = true;
  bool assemble = true;
};

enum class PdfEncryption { None = 0, Aes256 = 1 };

struct PdfSecurity {
  PdfEncryption level = PdfEncryption::None;
  std::string userPassword;   // asked when the file is opened; empty: it opens without one
  std::string ownerPassword;  // lifts the permissions; empty: a random one nobody knows, since
                              // an empty owner password would open the file with every right
  PdfPermissions permissions;
};

// A text printed across every page, over the report, in light grey.
struct PdfWatermark {
  std::string text;            // up to 522 characters ("\n" breaks the line); empty: none
  std::string font = "Arial";  // up to 128 characters; a report font name
  int size = 0;                // in points; 0: as large as fits across the page
  int angle = 45;              // degrees, counter-clockwise
};

// Signing: 1 with a certificate of the system's store, 2 with a certificate file. Neither is
// available here, and a signature asked for is never silently left out: generate() refuses.
struct PdfSignature {
  int mode = 0;
  std::string certificate;  // the store's certificate name, or the certificate file
  std::string password;
};

class PdfReportWriter {
 public:
  // Resets everything to its defaults and stores the normalised target name (pdf_names.h):
  // `folder` is the default folder for a bare file name, the system's temporary folder when
  // empty.
  void init(const std::filesystem::path& folder, int pagesPerFile, const std::string& fileName);

  const std::filesystem::path& fileName() const { return fileName_; }
  const std::filesystem::path& defaultFolder() const { return folder_; }
  int pagesPerFile() const { return pagesPerFile_; }

  PdfDocumentInfo info;
  PdfSecurity security;
  PdfSignature signature;
  PdfWatermark watermark;
  // Opens each produced file with the desktop's program for PDF files, or with `viewer`.
  bool openAfterCreation = false;
  std::string viewer;

  // Forces every page to the paper's size (swapped for landscape); without it each page image
  // keeps its own size.
  void setPaper(const PaperSpec& paper, Orientation orientation);

  // Called before each page with its number from 1 and the page count when progress is shown;
  // answering false stops the run (the caller has asked "Do you wish to Cancel the PDF
  // Generation?" and the user said Yes): nothing is produced for the file in hand.
  using Progress = std::function<bool(int page, int count)>;
  void setProgress(Progress progress) { progress_ = std::move(progress); }

  int generate(const std::vector<std::filesystem::path>& pages, int pagesPerFile,
               bool showProgress);

  const std::vector<std::filesystem::path>& producedFiles() const { return produced_; }
  const std::string& error() const { return error_; }
  bool cancelled() const { return cancelled_; }

 private:
  // A mark of the file in hand: its page from 0 and that page's height in points.
  struct Placed {
    PageMark mark;
    int page;
    double pageHeight;
  };
  struct Part;  // pages drawn into a draft document of their own
  bool writeFile(const std::vector<std::filesystem::path>& pages, std::size_t first,
                 std::size_t count, const std::filesystem::path& target, bool showProgress);
  // Thread-safe: reads only the page size settings. `beforePage` answers false to stop.
  bool drawPart(const std::vector<std::filesystem::path>& pages, Part& part,
                const std::function<bool()>& beforePage) const;
  bool finish(const std::vector<Part>& parts, const std::filesystem::path& target,
              std::size_t firstPage);

  std::filesystem::path folder_;
  std::filesystem::path fileName_;
  std::string refused_;  // why the name given to init() takes no PDF (a folder, a device)
  int pagesPerFile_ = 0;
  std::optional<PageSizePt> paper_;
  bool landscape_ = false;
  Progress progress_;
  std::vector<std::filesystem::path> produced_;
  std::string error_;
  bool cancelled_ = false;
  int pageCount_ = 0;
};

}  // namespace koreq::reportframe
