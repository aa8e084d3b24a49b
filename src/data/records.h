#pragma once

// The records of the equipment files and of the suite files the module reads or writes.
// Each file: a field list (type, name, length — digits for Decimal), a struct made from it, and
// its FileDef (keys, auto-numbered field) in records.cpp. Field order is declaration order.

#include "data/field.h"

namespace koreq::data {

#define KOREQ_EQHEADER_FIELDS(F)                \
  F(Long, RecordID, 0)                          \
  F(String, EquipmentID, 10)                    \
  F(String, Description, 40)                    \
  F(String, PhysicalDescription, 100)           \
  F(String, VehicleLicense, 10)                 \
  F(Byte, PhotoChange, 0)                       \
  F(String, ClassCode, 30)                      \
  F(String, LicenseCode, 5)                     \
  F(String, VIN, 30)                            \
  F(String, UsageUnit, 5)                       \
  F(String, BillingUnit, 5)                     \
  F(Byte, Active, 0)                            \
  F(Decimal, CumulativeNonProductiveUnits, 15)  \
  F(Decimal, YearNonProductiveUnits, 15)        \
  F(Decimal, MonthNonProductiveUnits, 15)       \
  F(Decimal, CumulativeUnits, 15)               \
  F(Decimal, YearUnits, 15)                     \
  F(Decimal, MonthUnits, 15)                    \
  F(String, Location, 10)                       \
  F(Decimal, CurrentMeter, 15)                  \
  F(Date, PurchaseDate, 0)                      \
  F(Decimal, PurchaseValue, 15)                 \
  F(Date, SaleDate, 0)                          \
  F(Decimal, SaleValue, 15)                     \
  F(Decimal, SalvageValue, 15)                  \
  F(UShort, DepreciationYears, 0)               \
  F(Byte, DepreciationMethod, 0)                \
  F(String, UD1DepreciationDesc, 20)            \
  F(Byte, LastPostingFiscalPeriod, 0)           \
  F(String, DestinationType, 11)                \
  F(String, DestinationAccount, 10)             \
  F(String, DestinationCategory, 10)            \
  F(String, AssetAccount, 10)                   \
  F(String, CertifiedID, 8)                     \
  F(Decimal, UnitsPerDay, 15)                   \
  F(Decimal, CumulativeInternalUnits, 15)       \
  F(Decimal, YearInternalUnits, 15)             \
  F(Decimal, MonthInternalUnits, 15)            \
  F(Decimal, CumulativeInternalIncome, 15)      \
  F(Decimal, YearInternalIncome, 15)            \
  F(Decimal, MonthInternalIncome, 15)           \
  F(Decimal, InternalBillingRate, 15)           \
  F(String, InternalIncomeControl, 10)          \
  F(Decimal, CumulativeRentalUnits, 15)         \
  F(Decimal, YearRentalUnits, 15)               \
  F(Decimal, MonthRentalUnits, 15)              \
  F(Decimal, CumulativeRentalIncome, 15)        \
  F(Decimal, YearRentalIncome, 15)              \
  F(Decimal, MonthRentalIncome, 15)             \
  F(Decimal, RentalBillingRate, 15)             \
  F(String, RentalIncomeControl, 10)            \
  F(Decimal, RentalThisPosting, 15)             \
  F(Decimal, RentalUnitsThisPosting, 15)        \
  F(Decimal, InternalThisPosting, 15)           \
  F(Decimal, InternalUnitsThisPosting, 15)      \
  F(String, UD1, 40)                            \
  F(String, UD2, 40)                            \
  F(String, UD3, 40)                            \
  F(String, UD4, 40)                            \
  F(String, UD5, 40)                            \
  F(String, UD6, 40)                            \
  F(String, UD7, 40)                            \
  F(String, UD8, 40)                            \
  F(String, UD9, 40)                            \
  F(String, UD10, 40)                           \
  F(String, UD11, 40)                           \
  F(String, UD12, 40)                           \
  F(String, UD13, 40)                           \
  F(String, UD14, 40)                           \
  F(String, UD15, 40)
KOREQ_RECORD(EqHeader, KOREQ_EQHEADER_FIELDS)
// EQHEADERALIAS: the same file under prefix EQH1, with its own buffer.
const FileDef& eqHeaderAliasDef();

#define KOREQ_EQCODE_FIELDS(F)               \
  F(Long, RecordID, 0)                       \
  F(String, CategoryID, 10)                  \
  F(String, Description, 30)                 \
  F(String, DefaultExpenseControl, 12)       \
  F(String, DefaultContraExpenseControl, 12) \
  F(String, DefaultUnit, 5)                  \
  F(String, ScheduleType, 1)                 \
  F(String, MeterName, 10)                   \
  F(ULong, Meter, 0)                         \
  F(String, IntervalName, 10)                \
  F(ULong, Interval, 0)
KOREQ_RECORD(EqCode, KOREQ_EQCODE_FIELDS)

}  // namespace koreq::data
