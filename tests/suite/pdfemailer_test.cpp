// Mailing a report's PDF over SMTP, against a mail sink on the loopback address: the message
// as it arrives, the server of koreq.ini, the sender from the user file, and the failures that
// must be shown rather than lost.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "data/records.h"
#include "suite/pdfemailer.h"
#include "support/company_fixture.h"
#include "support/smtp_sink.h"

namespace koreq::suite {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class MailTest : public fixture::CompanyTest {
 protected:
  void SetUp() override {
    CompanyTest::SetUp();
    session().g.INIPATH = (dir() / "settings").string();
    auto& users = ctx().access<data::UserFile>();
    ASSERT_EQ(users.prime(), data::kNoError);
    users.rec().UserID = "ABC";
    users.rec().FirstName = "Dana";
    users.rec().LastName = "Whitfield";
    users.rec().EmailAddress = "dana@demo-contracting.example";
    ASSERT_EQ(users.insert(), data::kNoError);
    pdf_ = dir() / "Fixed Asset Depreciation Schedule.pdf";
    std::ofstream(pdf_, std::ios::binary) << "%PDF-1.4 test attachment\n";
  }
  void server(int port) {
    fs::create_directories(dir() / "settings");
    std::ofstream(dir() / "settings" / "koreq.ini")
        << "[Mail]\nServer=127.0.0.1\nPort=" << port << "\nSecurity=None\n";
  }
  fs::path pdf_;
};

TEST_F(MailTest, ThePdfArrivesFromTheSignedOnUserWithTheMessageText) {
  test::SmtpSink sink(dir() / "mailbox");
  server(sink.port());
  EXPECT_EQ(PDFEMAILER(ctx(), {pdf_}, "pat@example.com", "Pat O'Neil, Jr.", "Depreciation – DT-201",
                       "Here is the schedule.\nDana"),
            "");
  const auto mail = sink.messages();
  ASSERT_EQ(mail.size(), 1u);
  const std::string& m = mail[0];
  EXPECT_THAT(m, HasSubstr("From: \"Dana Whitfield\" <dana@demo-contracting.example>"));
  EXPECT_THAT(m, HasSubstr("To: \"Pat O'Neil, Jr.\" <pat@example.com>"));
  EXPECT_THAT(m, HasSubstr("Subject: =?UTF-8?B?"));  // the dash is not ASCII
  EXPECT_THAT(m, HasSubstr("Message-ID: <"));
  EXPECT_THAT(m, HasSubstr("Date: "));
  EXPECT_THAT(m, HasSubstr("Here is the schedule."));
  EXPECT_THAT(m, HasSubstr("Content-Type: application/pdf"));
  EXPECT_THAT(m, HasSubstr("filename=\"Fixed Asset Depreciation Schedule.pdf\""));
  EXPECT_THAT(m, HasSubstr("JVBERi0xLjQgdGVzdCBhdHRhY2htZW50Cg=="));  // the file, in base64
}

TEST_F(MailTest, WhatKeepsTheMailFromGoingIsSaid) {
  // No server set up.
  EXPECT_THAT(PDFEMAILER(ctx(), {pdf_}, "pat@example.com", "", "s", ""),
              HasSubstr("No mail server is set up"));
  // Nobody listening.
  server(test::SmtpSink::freePort());
  EXPECT_THAT(PDFEMAILER(ctx(), {pdf_}, "pat@example.com", "", "s", ""),
              HasSubstr("The report was not mailed to pat@example.com: "));
  // An address that would add a header of its own is refused before anything is sent.
  EXPECT_EQ(PDFEMAILER(ctx(), {pdf_}, "pat@example.com\r\nBcc: all@example.com", "", "s", ""),
            "\"pat@example.com\r\nBcc: all@example.com\" is not an e-mail address.");
  EXPECT_FALSE(plainMailAddress("pat"));
  EXPECT_FALSE(plainMailAddress("pat@@example.com"));
  EXPECT_FALSE(plainMailAddress("Pat <pat@example.com>"));
  EXPECT_TRUE(plainMailAddress("pat.o-neil+reports@example.co.uk"));
  // A file that is gone; a settings entry that is not a port.
  EXPECT_THAT(PDFEMAILER(ctx(), {dir() / "gone.pdf"}, "pat@example.com", "", "s", ""),
              HasSubstr("gone.pdf to be mailed is not there"));
  std::ofstream(dir() / "settings" / "koreq.ini") << "[Mail]\nServer=h\nPort=25x\n";
  EXPECT_EQ(PDFEMAILER(ctx(), {pdf_}, "pat@example.com", "", "s", ""),
            "koreq.ini, [Mail] Port: \"25x\" is not a port number");
  // A user without an address has nothing to send from.
  std::ofstream(dir() / "settings" / "koreq.ini") << "[Mail]\nServer=h\n";
  auto& users = ctx().access<data::UserFile>();
  ASSERT_EQ(users.fetch("USR:KeyUserID", {std::string("ABC")}), data::kNoError);
  users.rec().EmailAddress = "";
  ASSERT_EQ(users.update(), data::kNoError);
  EXPECT_THAT(PDFEMAILER(ctx(), {pdf_}, "pat@example.com", "", "s", ""),
              HasSubstr("has no e-mail address to send from"));
}

}  // namespace
}  // namespace koreq::suite
