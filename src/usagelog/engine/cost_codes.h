#pragma once

// The job cost code of a usage-log entry: the cost code of the job followed by its one-letter
// cost type, the type sitting just after the company's cost-code length.

#include <string_view>

namespace koreq::frame {
class Context;
}

namespace koreq::usagelog {

// COSTCODELEN, or the company's own length when the host has not set it.
int costCodeLength(frame::Context& ctx);

// The cost type letter of a code (blank when the code is shorter).
char costTypeOf(std::string_view costCode, int costCodeLength);

}  // namespace koreq::usagelog
