#pragma once

// Mailing a report's PDF: one message with the user's text and the PDF attached, sent over
// SMTP with libcurl. The mail server is the user's setting in koreq.ini:
//
//   [Mail]
//   Server=smtp.example.com
//   Port=587                  ; default 25, 465 with Security=TLS
//   Security=STARTTLS         ; None, STARTTLS (required, not merely tried) or TLS
//   User=dana                 ; empty: no login
//   Password=…
//
// The sender is the signed-on user: the address and name in the user file.

#include <filesystem>
#include <string>
#include <vector>

#include "frame/context.h"

namespace koreq::suite {

struct MailServer {
  enum class Security { None, StartTls, Tls };
  std::string host;
  int port = 25;
  Security security = Security::None;
  std::string user;
  std::string password;
};

// The [Mail] section of koreq.ini in the settings folder (INIPATH). Throws std::runtime_error
// naming the entry when one cannot be read (a port that is no number, an unknown security).
MailServer mailServer(frame::Context& ctx);

struct MailMessage {
  std::string fromAddress, fromName;
  std::string toAddress, toName;
  std::string subject;
  std::string text;  // the message above the attachments
  std::vector<std::filesystem::path> attachments;
};

// Whether `address` can stand in a mail header as it is: one "@" with text either side, no
// blanks, controls, quotes, brackets, commas or semicolons.
bool plainMailAddress(const std::string& address);

// Sends the message; why it was not sent, empty when the server took it.
std::string sendMail(const MailServer& server, const MailMessage& message);

// The signed-on user's message text for mailed reports (USERFILE); empty when there is none.
std::string userMessageText(frame::Context& ctx);

// The frame's call: the PDF (the files of a PDF split by pages per file) to `toAddress` with
// the subject and the message text, from the signed-on user, through the server of koreq.ini.
// Why it was not sent, empty when it was.
std::string PDFEMAILER(frame::Context& ctx, const std::vector<std::filesystem::path>& pdfFiles,
                       const std::string& toAddress, const std::string& toName,
                       const std::string& subject, const std::string& messageText);

}  // namespace koreq::suite
