#include "suite/pdfemailer.h"

#include <curl/curl.h>

#include <charconv>
#include <ctime>
#include <memory>
#include <mutex>
#include <random>
#include <stdexcept>

#include "data/access.h"
#include "data/records.h"
#include "frame/module.h"
#include "runtime/ini.h"
#include "runtime/text.h"

namespace koreq::suite {

namespace {

constexpr const char* kSection = "Mail";
constexpr const char* kNoServer =
    "No mail server is set up: give it in koreq.ini, section [Mail], entry Server.";

std::string base64(std::string_view in) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    const unsigned v = static_cast<unsigned char>(in[i]) << 16 |
                       static_cast<unsigned char>(in[i + 1]) << 8 |
                       static_cast<unsigned char>(in[i + 2]);
    for (int s : {18, 12, 6, 0}) out += kDigits[(v >> s) & 63];
  }
  if (i < in.size()) {
    unsigned v = static_cast<unsigned char>(in[i]) << 16;
    if (i + 1 < in.size()) v |= static_cast<unsigned char>(in[i + 1]) << 8;
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += i + 1 < in.size() ? kDigits[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

// A header's text: plain when it is printable ASCII, else an encoded word (RFC 2047). Line
// breaks never reach a header: they would start a header of their own.
std::string headerText(const std::string& text) {
  std::string flat;
  bool plain = true;
  for (char c : text) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e) plain = false;
    flat += c;
  }
  return plain ? flat : "=?UTF-8?B?" + base64(flat) + "?=";
}

// "Name" <address>, the name quoted (or encoded) so that its commas and quotes are only text.
std::string mailbox(const std::string& name, const std::string& address) {
  const std::string n = clipped(name);
  if (n.empty()) return "<" + address + ">";
  std::string shown = headerText(n);
  if (shown.rfind("=?", 0) != 0) {
    std::string quoted = "\"";
    for (char c : shown) {
      if (c == '"' || c == '\\') quoted += '\\';
      quoted += c;
    }
    shown = quoted + "\"";
  }
  return shown + " <" + address + ">";
}

std::string rfc5322Date(std::time_t now) {
  std::tm local{};
  ::localtime_r(&now, &local);
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const long offset = local.tm_gmtoff / 60;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                kDays[local.tm_wday], local.tm_mday, kMonths[local.tm_mon], local.tm_year + 1900,
                local.tm_hour, local.tm_min, local.tm_sec, offset < 0 ? '-' : '+',
                std::labs(offset) / 60, std::labs(offset) % 60);
  return buf;
}

std::string messageId(const std::string& fromAddress) {
  std::random_device r;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%08x%08x.%lld", r(), r(), static_cast<long long>(std::time(0)));
  return "<" + std::string(buf) + fromAddress.substr(fromAddress.find('@')) + ">";
}

void curlStarted() {
  // Not thread-safe in itself: once for the process.
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
  void operator()(curl_mime* m) const { curl_mime_free(m); }
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
template <typename T>
using CurlPtr = std::unique_ptr<T, CurlDeleter>;

curl_slist* append(curl_slist* list, const std::string& line) {
  curl_slist* more = curl_slist_append(list, line.c_str());
  if (!more) throw std::bad_alloc();
  return more;
}

}  // namespace

MailServer mailServer(frame::Context& ctx) {
  const std::string folder = clipped(ctx.session().g.INIPATH.str());
  const IniFile ini(
      (folder.empty() ? frame::defaultSettingsFolder() : std::filesystem::path(folder)) /
      frame::Module::kSettingsFileName);
  MailServer s;
  s.host = ini.get(kSection, "Server");
  const std::string security = upper(ini.get(kSection, "Security", "None"));
  if (security == "NONE")
    s.security = MailServer::Security::None;
  else if (security == "STARTTLS")
    s.security = MailServer::Security::StartTls;
  else if (security == "TLS" || security == "SSL")
    s.security = MailServer::Security::Tls;
  else
    throw std::runtime_error("koreq.ini, [Mail] Security: \"" + security +
                             "\" is none of None, STARTTLS and TLS");
  s.port = s.security == MailServer::Security::Tls ? 465 : 25;
  const std::string port = ini.get(kSection, "Port");
  if (!port.empty()) {
    int n = 0;
    auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), n);
    if (ec != std::errc() || end != port.data() + port.size() || n < 1 || n > 65535)
      throw std::runtime_error("koreq.ini, [Mail] Port: \"" + port + "\" is not a port number");
    s.port = n;
  }
  s.user = ini.get(kSection, "User");
  s.password = ini.get(kSection, "Password");
  return s;
}

bool plainMailAddress(const std::string& address) {
  const std::size_t at = address.find('@');
  if (at == 0 || at == std::string::npos || at + 1 >= address.size() ||
      address.find('@', at + 1) != std::string::npos)
    return false;
  for (char c : address)
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f ||
        std::string_view("\"<>(),;:\\[]").find(c) != std::string_view::npos)
      return false;
  return true;
}

std::string sendMail(const MailServer& server, const MailMessage& m) {
  if (clipped(server.host).empty()) return kNoServer;
  if (!plainMailAddress(m.fromAddress))
    return "\"" + m.fromAddress + "\" is not an e-mail address to send from.";
  if (!plainMailAddress(m.toAddress)) return "\"" + m.toAddress + "\" is not an e-mail address.";
  std::error_code ec;
  for (const std::filesystem::path& f : m.attachments)
    if (!std::filesystem::is_regular_file(f, ec))
      return "The file " + f.string() + " to be mailed is not there.";

  curlStarted();
  CurlPtr<CURL> curl(curl_easy_init());
  if (!curl) return "The mail could not be started.";
  CURL* c = curl.get();
  const bool tls = server.security == MailServer::Security::Tls;
  const std::string url =
      std::string(tls ? "smtps://" : "smtp://") + server.host + ":" + std::to_string(server.port);
  char error[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 30L);
  if (server.security == MailServer::Security::StartTls)
    curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
  if (!server.user.empty()) {
    curl_easy_setopt(c, CURLOPT_USERNAME, server.user.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, server.password.c_str());
  }
  const std::string from = "<" + m.fromAddress + ">";
  curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.c_str());
  CurlPtr<curl_slist> recipients(append(nullptr, "<" + m.toAddress + ">"));
  curl_easy_setopt(c, CURLOPT_MAIL_RCPT, recipients.get());

  CurlPtr<curl_slist> headers(append(nullptr, "Date: " + rfc5322Date(std::time(nullptr))));
  for (const std::string& h :
       {"From: " + mailbox(m.fromName, m.fromAddress), "To: " + mailbox(m.toName, m.toAddress),
        "Subject: " + headerText(m.subject), "Message-ID: " + messageId(m.fromAddress)})
    headers.reset(append(headers.release(), h));
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());

  CurlPtr<curl_mime> mime(curl_mime_init(c));
  curl_mimepart* text = curl_mime_addpart(mime.get());
  curl_mime_data(text, m.text.data(), m.text.size());
  curl_mime_type(text, "text/plain; charset=UTF-8");
  curl_mime_encoder(text, "quoted-printable");
  for (const std::filesystem::path& f : m.attachments) {
    curl_mimepart* pdf = curl_mime_addpart(mime.get());
    if (curl_mime_filedata(pdf, f.c_str()) != CURLE_OK)
      return "The file " + f.string() + " could not be read for the mail.";
    curl_mime_type(pdf, "application/pdf");
    curl_mime_encoder(pdf, "base64");
  }
  curl_easy_setopt(c, CURLOPT_MIMEPOST, mime.get());

  const CURLcode rc = curl_easy_perform(c);
  if (rc == CURLE_OK) return {};
  return "The report was not mailed to " + m.toAddress + ": " +
         (error[0] ? std::string(error) : std::string(curl_easy_strerror(rc))) + " (" + url + ")";
}

std::string userMessageText(frame::Context& ctx) {
  auto& users = ctx.access<data::UserFile>();
  if (users.fetch("USR:KeyUserID", {ctx.userId()}) != data::kNoError) return {};
  return clipped(users.rec().MessageText.str());
}

std::string PDFEMAILER(frame::Context& ctx, const std::vector<std::filesystem::path>& pdfFiles,
                       const std::string& toAddress, const std::string& toName,
                       const std::string& subject, const std::string& messageText) {
  MailServer server;
  try {
    server = mailServer(ctx);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  if (clipped(server.host).empty()) return kNoServer;
  auto& users = ctx.access<data::UserFile>();
  const int rc = users.fetch("USR:KeyUserID", {ctx.userId()});
  if (rc == data::kRecordNotFound) return "The user " + ctx.userId() + " is not on file.";
  if (rc != data::kNoError) return users.lastErrorText() + " Getting User Record";
  const data::UserFile& u = users.rec();
  if (clipped(u.EmailAddress.str()).empty())
    return "The user " + ctx.userId() +
           " has no e-mail address to send from: enter it in the user's record.";
  MailMessage m;
  m.fromAddress = clipped(u.EmailAddress.str());
  m.fromName = clipped(u.FirstName.str() + " " + u.LastName.str());
  m.toAddress = clipped(toAddress);
  m.toName = clipped(toName);
  m.subject = clipped(subject);
  m.text = clipped(messageText);
  m.attachments = pdfFiles;
  return sendMail(server, m);
}

}  // namespace koreq::suite
