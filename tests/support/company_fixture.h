#pragma once

// A fresh company in a private temporary folder, signed on as user "ABC" with a fixed clock.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "data/company.h"
#include "frame/context.h"
#include "support/backends.h"
#include "support/temp_dir.h"

namespace koreq::fixture {

class CompanyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp_ = std::make_unique<test::TempDir>();
    dir_ = tmp_->path;
    where_ = std::make_unique<test::BackendCompany>(test::procedureBackend(), dir_ / "company");
    session_ = std::make_unique<frame::Session>(where_->create(), clock_, "ABC");
    ctx_ = std::make_unique<frame::Context>(*session_);
  }
  void TearDown() override {
    ctx_.reset();
    session_.reset();
    where_.reset();
    tmp_.reset();
  }

  frame::Context& ctx() { return *ctx_; }
  frame::Session& session() { return *session_; }
  const std::filesystem::path& dir() const { return dir_; }

  FixedClock clock_{*Date::fromYmd(2024, 3, 5), Time::fromHms(14, 30, 15)};
  std::unique_ptr<test::TempDir> tmp_;
  std::filesystem::path dir_;
  std::unique_ptr<test::BackendCompany> where_;
  std::unique_ptr<frame::Session> session_;
  std::unique_ptr<frame::Context> ctx_;
};

}  // namespace koreq::fixture
