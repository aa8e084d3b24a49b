#pragma once

// The figures of the usage / cost analysis that are worked out from the selection's: a
// category line's per-unit values, and an equipment's totals, income lines and income block.
// Three columns: cumulative (or the range), year, month. Pure computations.

#include <array>

#include "reports/selection.h"

namespace koreq::reports {

inline constexpr int kColumns = 3;  // cumulative (or range), year, month

// 'D' dollar amount per cost unit, else usage units per cost unit.
enum class PerUnit { Dollars, UsageUnits };

// A category's per-unit value per column: its amount ÷ its quantity ('D'), or the equipment's
// internal and rental units ÷ its quantity; 0 where the quantity is 0.
std::array<Decimal, kColumns> categoryPerUnit(const CategoryFigures& c, const EquipmentFigures& e,
                                              PerUnit kind);

struct IncomeColumn {
  Decimal totalCost;
  Decimal internalRate, rentalRate;                   // income ÷ units of each
  Decimal totalQuantity;                              // internal + rental + non-productive units
  Decimal totalIncome;                                // internal + rental income
  Decimal netProfit;                                  // income − costs
  Decimal incomePerUnit, profitPerUnit, costPerUnit;  // ÷ total quantity, 0 when none
};

IncomeColumn incomeColumn(const IncomeFigure& income, const Decimal& totalCost);

}  // namespace koreq::reports
