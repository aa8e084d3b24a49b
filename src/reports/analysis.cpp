#include "reports/analysis.h"

namespace koreq::reports {

std::array<Decimal, kColumns> categoryPerUnit(const CategoryFigures& c, const EquipmentFigures& e,
                                              PerUnit kind) {
  const Figure* f[kColumns] = {&c.cumulative, &c.year, &c.month};
  const IncomeFigure* in[kColumns] = {&e.cumulative, &e.year, &e.month};
  std::array<Decimal, kColumns> out;
  for (int i = 0; i < kColumns; ++i)
    out[i] = kind == PerUnit::Dollars
                 ? perUnit(f[i]->amount, f[i]->units)
                 : perUnit(in[i]->internalUnits + in[i]->rentalUnits, f[i]->units);
  return out;
}

IncomeColumn incomeColumn(const IncomeFigure& in, const Decimal& totalCost) {
  IncomeColumn c;
  c.totalCost = totalCost;
  c.internalRate = perUnit(in.internalIncome, in.internalUnits);
  c.rentalRate = perUnit(in.rentalIncome, in.rentalUnits);
  c.totalQuantity = in.internalUnits + in.rentalUnits + in.nonProductiveUnits;
  c.totalIncome = in.internalIncome + in.rentalIncome;
  c.netProfit = c.totalIncome - totalCost;
  c.incomePerUnit = perUnit(c.totalIncome, c.totalQuantity);
  c.profitPerUnit = perUnit(c.netProfit, c.totalQuantity);
  c.costPerUnit = perUnit(c.totalIncome - c.netProfit, c.totalQuantity);
  return c;
}

}  // namespace koreq::reports
