#pragma once

#include <ostream>

#include "frame/context.h"

namespace koreq::demo {

// Makes the demo company "Demo Contracting Co." in the session's (empty) company: a chart of
// accounts and two fiscal years, about thirty pieces of equipment with their cost categories
// and service schedules, jobs, employees and users, some eighteen months of usage posted week
// by week by the posting service (the session's clock stepped to each posting day and put back
// after) and costs journalled as the other modules journal them, two unposted batches, notes,
// saved report formats and each asset's depreciation schedule. Dates follow the session
// clock's today; the same today always gives the same company.
//
// Everything is written in one transaction. A failure (a company that already holds records,
// a database that cannot begin a transaction, a posting refused, a record that cannot be
// written) throws std::runtime_error with the reason and leaves the company as it was. After
// the commit, one line per file is written to `log`. How the history is posted:
// src/demo/README.md.
void makeDemoCompany(frame::Session& session, std::ostream& log);

}  // namespace koreq::demo
