#pragma once

// The rules of the saved report formats (EQLIMITS): which report a format belongs to and what
// its browse and form are called, the defaults of a new format and of "Load Defaults", copies,
// locks, favourites (MEMLIMIT) and the floating date range of an analysis format. No windows:
// the format browses and forms call these, and so may a report.

#include <cstdint>
#include <string>
#include <string_view>

#include "data/records.h"
#include "frame/context.h"

namespace koreq::reportframe {

enum class FormatReport { Analysis, Detail, Listing, CategoryList, ProofListing };

struct FormatKind {
  FormatReport report;
  const char* value;        // EQLM:Report
  const char* browse;       // the format list
  const char* form;         // the form of one format
  const char* print;        // what the list's Print calls
  const char* favourite;    // the report's name on the favourites list ("" none)
  const char* insertTitle;  // the form's title, before "  (New)" or "  (<title>)"
  const char* changeTitle;
  bool udLimits;  // the form has "User Defined" and Load Defaults drops its limits
};

const FormatKind& formatKind(FormatReport report);

// LIMLIST rows of the equipment formats carry this tag and file name; so does MEMLIMIT.
inline constexpr const char* kLimitTag = "EQLimits";
inline constexpr const char* kUdFileName = "EQHeaderUD";

// "Copy of " followed by the title, cut to the title's 40 characters.
std::string copyTitle(std::string_view title);

// The owner against whom `user` may not change or delete the format: a locked format whose
// non-blank owner is someone else ("" when the format is open to `user`). Whether that owner
// is still on file is the caller's question.
std::string lockingOwner(const data::EqLimits& f, std::string_view user);
std::string lockedMessage(std::string_view owner);

// A new format of the report, owned by `user`.
void primeFormat(data::EqLimits& f, FormatReport report, std::string_view user);
// What a format is given as its form opens: a blank orientation is portrait, a blank owner the
// user; a cost category list sorts by ID unless it sorts by description.
void openFormat(data::EqLimits& f, FormatReport report, std::string_view user);
// "Load Defaults": everything but the number and the title back to a new format's values.
void loadDefaults(data::EqLimits& f, FormatReport report, std::string_view user);

// An analysis format limited to a floating range ("Range" with "Floating Range"): its dates are
// today plus or minus a number of days, worked out whenever it is used.
bool hasFloatingRange(const data::EqLimits& f);
// Today moved by `days` by the sign text: "Plus" later, "Minus" earlier, blank today; any other
// text leaves `stored`. Kept within the dates the calendar knows.
Date floatingDate(std::string_view sign, const Decimal& days, Date today, Date stored);
// Puts the worked-out dates into the format's DateFrom and DateTo (nothing without a floating
// range).
void resolveFloatingRange(data::EqLimits& f, Date today);

// A fiscal period as the detail form describes it: its description, " (LOCKED)" or
// " (CLOSED)" by its status.
std::string periodDescription(std::string_view description, std::string_view status);

// ---- Writing formats ------------------------------------------------------------------------

// Copies the format in the context's EQLIMITS buffer under a new number as "Copy of" its
// title, owned by the user, dated today, unlocked; the buffer then holds the copy. False
// (reported as " Autoincrementing EQLimits" or " Inserting EQLimits") when it could not be
// written.
bool duplicateFormat(frame::Context& ctx);

// Gives the format in the buffer a number when it has none (0) and writes it back.
bool numberFormat(frame::Context& ctx);

enum class FavouriteResult { Added, AlreadyAdded, Failed };
// Adds the format in the buffer to the user's favourite reports unless it is there already.
FavouriteResult addFavourite(frame::Context& ctx, const FormatKind& kind);
bool isFavourite(frame::Context& ctx, std::uint32_t limitId, std::string_view user);

// The user-defined-field limits of a format (its LIMLIST rows); false when one could not be
// deleted. Run inside the caller's transaction.
bool deleteUdLimits(frame::Context& ctx, std::uint32_t limitId);
// What goes with a deleted format: its user-defined-field limits and every user's favourite
// entry of it, which would otherwise name a format that is gone. Inside the caller's
// transaction.
bool deleteFormatCompanions(frame::Context& ctx, std::uint32_t limitId);

}  // namespace koreq::reportframe
