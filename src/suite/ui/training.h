#pragma once

// PLAYTRAINING: the suite's training videos. Here a video is a help page of its own
// (training/NAME.htm under the help folder) that walks through the window, opened with the
// desktop's program for web pages, since the help pages are what the program ships.

#include <filesystem>
#include <string>
#include <string_view>

#include "frame/registry.h"
#include "ui/model/user_port.h"

namespace koreq::suite {

// The help pages this build ships (resources/help).
std::filesystem::path defaultHelpFolder();

// The page of a training video: training/NAME.htm under `helpFolder`.
std::filesystem::path trainingPage(const std::filesystem::path& helpFolder, std::string_view video);

// Opens the video's page. A page the desktop cannot open is reported in a message box
// ("Training Video"); answers whether it opened.
bool playTraining(ui::UserPort& port, const std::filesystem::path& helpFolder,
                  std::string_view video);

inline constexpr char kPLAYTRAINING[] = "PLAYTRAINING";

// Registers PLAYTRAINING. It takes the video's short name in REPORTFILTER, as the suite's
// services take their names, and leaves REPORTFILTER as it found it; it shows on this
// thread's desktop.
void registerPlayTraining(frame::ProcedureRegistry& registry, std::filesystem::path helpFolder);

}  // namespace koreq::suite
