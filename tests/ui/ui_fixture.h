#pragma once

// A fresh company in a temporary folder, a session and context on it, and a desktop whose user
// answers from a script: what every window-model test starts from.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "data/company.h"
#include "data/records.h"
#include "frame/context.h"
#include "frame/registry.h"
#include "support/backends.h"
#include "support/temp_dir.h"
#include "ui/model/desktop.h"

namespace koreq::ui::test {

using TempFolder = ::koreq::test::TempDir;

class UiTest : public ::testing::Test {
 protected:
  UiTest()
      : clock(*Date::fromYmd(2024, 3, 15)),
        session(where.create(), clock, "ABC"),
        ctx(session),
        desktop(port, registry) {}

  // Adds an equipment record straight to the file.
  void addEquipment(const std::string& id, const std::string& description, bool active = true,
                    const std::string& classCode = {}) {
    data::FileAccess& f = ctx.file(data::EqHeader::def());
    f.prime();
    f.put("EQH:EquipmentID", id);
    f.put("EQH:Description", description);
    f.put("EQH:Active", std::int64_t{active ? 1 : 0});
    f.put("EQH:ClassCode", classCode);
    ASSERT_EQ(f.insert(), data::kNoError) << id;
  }

  std::string lastMessage() const {
    return port.shown().empty() ? std::string() : port.shown().back().text;
  }

  TempFolder folder;
  koreq::test::BackendCompany where{koreq::test::procedureBackend(), folder.path / "co"};
  FixedClock clock;
  frame::Session session;
  frame::Context ctx;
  ScriptedPort port;
  frame::ProcedureRegistry registry;
  Desktop desktop;
};

}  // namespace koreq::ui::test
