// The fixed tables of the demo company: its equipment, cost categories, jobs and cost codes.

#include "demo/demo_internal.h"

namespace koreq::demo::detail {

namespace {

using K = Kind;
using L = Life;

}  // namespace

const std::vector<EquipmentModel>& equipmentSpecs() {
  // Rates in cents per unit; purchase values in dollars; the meter is in miles where `miles`.
  static const std::vector<EquipmentModel> specs = {
      // clang-format off
      {.id = "PU-101", .description = "2021 Ford F-150 XLT SuperCrew 4x4",
       .physical = "Oxford White, 5.5 ft bed, tow package, company decals",
       .classCode = "Pickup Truck", .kind = K::Pickup, .miles = true, .licenseCode = "PAS",
       .plate = "8KTR214", .vin = "1FTFW1E58MFA21473", .internalRateCents = 68,
       .purchaseMonthsAgo = 44, .purchaseValue = 48650, .salvageValue = 14000, .lifeMonths = 72,
       .method = 1, .startMeter = 41200, .unitsLo = 540, .unitsHi = 1260, .everyDays = 22,
       .fuelCentsPerUnit = 6, .operatorId = 111, .ud1 = "FC-4417-0101", .ud2 = "LT275/65R18",
       .ud3 = "CAL-77120-01", .ud4 = "GPS-1101", .destinationType = "None"},
      {.id = "PU-102", .description = "2022 Chevrolet Silverado 2500HD LT",
       .physical = "Summit White, 8 ft bed, Knapheide toolbox", .classCode = "Pickup Truck",
       .kind = K::Pickup, .miles = true, .licenseCode = "PAS", .plate = "7LMD882",
       .vin = "1GC4YNEY1NF204518", .internalRateCents = 78, .purchaseMonthsAgo = 30,
       .purchaseValue = 58900, .salvageValue = 16500, .lifeMonths = 72, .method = 2,
       .startMeter = 22350, .unitsLo = 450, .unitsHi = 1140, .everyDays = 20, .fuelCentsPerUnit = 8,
       .operatorId = 111, .ud1 = "FC-4417-0102", .ud2 = "LT265/70R18", .ud3 = "CAL-77120-02",
       .ud4 = "GPS-1102", .destinationType = "None"},
      {.id = "PU-103", .description = "2023 Ram 2500 Tradesman Crew Cab",
       .physical = "Bright Silver, 6.4 ft bed, ladder rack", .classCode = "Pickup Truck",
       .kind = K::Pickup, .miles = true, .licenseCode = "PAS", .plate = "9BHX305",
       .vin = "3C6UR5CJ7PG561842", .internalRateCents = 78, .purchaseMonthsAgo = 14,
       .purchaseValue = 54300, .salvageValue = 15000, .lifeMonths = 60, .method = 3,
       .startMeter = 4800, .unitsLo = 480, .unitsHi = 1200, .everyDays = 18, .fuelCentsPerUnit = 8,
       .operatorId = 113, .ud1 = "FC-4417-0103", .ud2 = "LT275/70R18", .ud3 = "CAL-77120-03",
       .destinationType = "None"},
      {.id = "PU-104", .description = "2019 Ford F-250 Super Duty XL",
       .physical = "Race Red, 8 ft bed, liftgate", .classCode = "Pickup Truck", .kind = K::Pickup,
       .miles = true, .licenseCode = "PAS", .plate = "6JWK558", .vin = "1FT7W2B61KED90342",
       .internalRateCents = 74, .purchaseMonthsAgo = 62, .purchaseValue = 41800,
       .salvageValue = 9500, .lifeMonths = 84, .method = 4, .methodName = "Tax Basis",
       .startMeter = 88400, .unitsLo = 360, .unitsHi = 1020, .everyDays = 25, .fuelCentsPerUnit = 9,
       .operatorId = 113, .ud1 = "FC-4417-0104", .ud2 = "LT245/75R17", .ud3 = "CAL-77120-04",
       .destinationType = "G/L Account", .destinationAccount = "7100"},
      {.id = "PU-099", .description = "2015 Ford F-150 Regular Cab",
       .physical = "Blue Jeans metallic, 6.5 ft bed, high mileage", .classCode = "Pickup Truck",
       .kind = K::Pickup, .miles = true, .licenseCode = "PAS", .plate = "4HRT901",
       .vin = "1FTMF1EF3FKD48215", .internalRateCents = 55, .purchaseMonthsAgo = 118,
       .purchaseValue = 27400, .salvageValue = 4000, .lifeMonths = 84, .method = 1,
       .startMeter = 164300, .unitsLo = 240, .unitsHi = 780, .everyDays = 30, .fuelCentsPerUnit = 7,
       .life = L::Sold, .lifeMonthsAgo = 8, .saleValue = 6250, .operatorId = 112,
       .ud1 = "FC-4417-0099", .ud2 = "P265/70R17", .destinationType = "None"},
      {.id = "DT-201", .description = "2020 Kenworth T880 Tri-Axle Dump",
       .physical = "Black cab, 16 ft Ox Bodies steel box, electric tarp", .classCode = "Dump Truck",
       .kind = K::Dump, .licenseCode = "CMV", .plate = "CP48213", .vin = "1NKZX4TX4LJ395107",
       .internalRateCents = 9200, .rentalRateCents = 11500, .purchaseMonthsAgo = 50,
       .purchaseValue = 186500, .salvageValue = 45000, .lifeMonths = 96, .method = 1,
       .certifiedId = "TD1", .startMeter = 5420, .unitsLo = 36, .unitsHi = 69, .everyDays = 20,
       .fuelCentsPerUnit = 450, .operatorId = 105, .ud1 = "FC-4417-0201", .ud2 = "11R22.5",
       .ud3 = "CAL-77140-01", .ud4 = "GPS-2201", .destinationType = "None"},
      {.id = "DT-202", .description = "2021 Mack Granite GR64F Tri-Axle Dump",
       .physical = "Red cab, 18 ft aluminum box", .classCode = "Dump Truck", .kind = K::Dump,
       .licenseCode = "CMV", .plate = "CP51177", .vin = "1M2GR4GC0MM018224",
       .internalRateCents = 9200, .rentalRateCents = 11500, .purchaseMonthsAgo = 38,
       .purchaseValue = 198000, .salvageValue = 48000, .lifeMonths = 96, .method = 2,
       .certifiedId = "TD1", .startMeter = 3880, .unitsLo = 33, .unitsHi = 66, .everyDays = 20,
       .fuelCentsPerUnit = 450, .operatorId = 106, .ud1 = "FC-4417-0202", .ud2 = "11R22.5",
       .ud3 = "CAL-77140-02", .ud4 = "GPS-2202", .destinationType = "None"},
      {.id = "DT-203", .description = "2018 Peterbilt 567 Tandem Dump",
       .physical = "White cab, 15 ft steel box", .classCode = "Dump Truck", .kind = K::Dump,
       .licenseCode = "CMV", .plate = "CP40952", .vin = "1NPCX4EX5JD474419",
       .internalRateCents = 8500, .rentalRateCents = 10500, .purchaseMonthsAgo = 74,
       .purchaseValue = 162000, .salvageValue = 35000, .lifeMonths = 96, .method = 1,
       .certifiedId = "TD1", .startMeter = 9150, .unitsLo = 27, .unitsHi = 60, .everyDays = 22,
       .fuelCentsPerUnit = 420, .operatorId = 105, .ud1 = "FC-4417-0203", .ud2 = "11R24.5",
       .ud3 = "CAL-77140-03", .destinationType = "None"},
      {.id = "DT-204", .description = "2016 International HX520 Tandem Dump",
       .physical = "Yellow cab, 15 ft box, rear frame rail repaired", .classCode = "Dump Truck",
       .kind = K::Dump, .licenseCode = "CMV", .plate = "CP36688", .vin = "3HAEUMML5GL132207",
       .internalRateCents = 8000, .purchaseMonthsAgo = 98, .purchaseValue = 139500,
       .salvageValue = 28000, .lifeMonths = 96, .method = 3, .certifiedId = "TD1",
       .startMeter = 12610, .unitsLo = 21, .unitsHi = 51, .everyDays = 28, .fuelCentsPerUnit = 420,
       .operatorId = 106, .ud1 = "FC-4417-0204", .ud2 = "11R24.5", .ud3 = "CAL-77140-04",
       .destinationType = "None", .neglected = true},
      {.id = "EX-301", .description = "2022 CAT 336 Hydraulic Excavator",
       .physical = "2 cu yd bucket, hydraulic thumb, quick coupler", .classCode = "Excavator",
       .kind = K::Excavator, .tracked = true, .licenseCode = "EXM", .vin = "CAT0336GHDKT01547",
       .internalRateCents = 16800, .rentalRateCents = 21500, .purchaseMonthsAgo = 27,
       .purchaseValue = 412000, .salvageValue = 95000, .lifeMonths = 120, .method = 1,
       .certifiedId = "OE1", .startMeter = 1260, .unitsLo = 30, .unitsHi = 66, .everyDays = 18,
       .fuelCentsPerUnit = 620, .operatorId = 101, .ud3 = "CIM-448812", .ud4 = "PL-641 #3301",
       .destinationType = "None"},
      {.id = "EX-302", .description = "2020 Komatsu PC210LC-11 Excavator",
       .physical = "1.2 cu yd bucket, long undercarriage", .classCode = "Excavator",
       .kind = K::Excavator, .tracked = true, .licenseCode = "EXM", .vin = "KMTPC249EK3A55218",
       .internalRateCents = 12800, .rentalRateCents = 16500, .purchaseMonthsAgo = 52,
       .purchaseValue = 246000, .salvageValue = 55000, .lifeMonths = 120, .method = 2,
       .certifiedId = "OE1", .startMeter = 4730, .unitsLo = 27, .unitsHi = 60, .everyDays = 20,
       .fuelCentsPerUnit = 410, .operatorId = 102, .ud3 = "CIM-448812", .ud4 = "KOMTRAX",
       .destinationType = "None"},
      {.id = "EX-303", .description = "2021 Deere 135G Reduced Tail Swing Exc.",
       .physical = "36 in bucket, rubber track pads", .classCode = "Excavator",
       .kind = K::Excavator, .tracked = true, .licenseCode = "EXM", .vin = "1FF135GXCMF035162",
       .internalRateCents = 9800, .rentalRateCents = 12800, .purchaseMonthsAgo = 40,
       .purchaseValue = 168500, .salvageValue = 38000, .lifeMonths = 96, .method = 3,
       .certifiedId = "OE1", .startMeter = 2910, .unitsLo = 21, .unitsHi = 54, .everyDays = 22,
       .fuelCentsPerUnit = 280, .operatorId = 102, .ud3 = "CIM-448812", .ud4 = "JDLINK",
       .destinationType = "None"},
      {.id = "EX-304", .description = "2019 Kubota KX057-5 Mini Excavator",
       .physical = "24 in bucket, angle blade, rubber tracks", .classCode = "Excavator",
       .kind = K::Excavator, .tracked = true, .licenseCode = "EXM", .vin = "KBCDZ57CPK3F40661",
       .internalRateCents = 5800, .rentalRateCents = 7800, .purchaseMonthsAgo = 66,
       .purchaseValue = 76800, .salvageValue = 16000, .lifeMonths = 84, .method = 4,
       .methodName = "Tax Basis", .certifiedId = "OE2", .startMeter = 3640, .unitsLo = 12,
       .unitsHi = 39, .everyDays = 25, .fuelCentsPerUnit = 140, .operatorId = 104,
       .ud3 = "CIM-448812", .destinationType = "None"},
      {.id = "WL-401", .description = "2021 CAT 950M Wheel Loader",
       .physical = "4 cu yd general purpose bucket, pallet forks", .classCode = "Wheel Loader",
       .kind = K::Loader, .licenseCode = "EXM", .vin = "CAT0950MJEMS01277",
       .internalRateCents = 12400, .rentalRateCents = 15500, .purchaseMonthsAgo = 42,
       .purchaseValue = 318000, .salvageValue = 72000, .lifeMonths = 120, .method = 1,
       .certifiedId = "OE2", .startMeter = 3180, .unitsLo = 27, .unitsHi = 60, .everyDays = 20,
       .fuelCentsPerUnit = 450, .operatorId = 103, .ud2 = "23.5R25", .ud3 = "CIM-448812",
       .ud4 = "PL-641 #3302", .destinationType = "None"},
      {.id = "WL-402", .description = "2018 Deere 644K Wheel Loader",
       .physical = "3.5 cu yd bucket, 14 ft snow pusher", .classCode = "Wheel Loader",
       .kind = K::Loader, .licenseCode = "EXM", .vin = "1DW644KXHJE680193",
       .internalRateCents = 11200, .rentalRateCents = 14200, .purchaseMonthsAgo = 80,
       .purchaseValue = 228000, .salvageValue = 45000, .lifeMonths = 120, .method = 4,
       .methodName = "Tax Basis", .certifiedId = "OE2", .startMeter = 7520, .unitsLo = 18,
       .unitsHi = 51, .everyDays = 22, .fuelCentsPerUnit = 420, .operatorId = 103, .ud2 = "20.5R25",
       .ud3 = "CIM-448812", .destinationType = "G/L Account", .destinationAccount = "7200"},
      {.id = "DZ-501", .description = "2020 CAT D6 XE Dozer",
       .physical = "VPAT blade, ripper, grade control ready", .classCode = "Dozer",
       .kind = K::Dozer, .tracked = true, .licenseCode = "EXM", .vin = "CAT00D6XHNB00418",
       .internalRateCents = 15800, .rentalRateCents = 20500, .purchaseMonthsAgo = 54,
       .purchaseValue = 465000, .salvageValue = 105000, .lifeMonths = 120, .method = 3,
       .certifiedId = "OE1", .startMeter = 4980, .unitsLo = 27, .unitsHi = 63, .everyDays = 20,
       .fuelCentsPerUnit = 640, .operatorId = 101, .ud3 = "CIM-448812", .ud4 = "TRIMBLE EC520",
       .destinationType = "None"},
      {.id = "SS-601", .description = "2022 Bobcat T770 Compact Track Loader",
       .physical = "80 in bucket, pallet forks, high-flow hydraulics", .classCode = "Skid Steer",
       .kind = K::SkidSteer, .tracked = true, .licenseCode = "EXM", .vin = "B3BW11857",
       .internalRateCents = 6400, .rentalRateCents = 8800, .purchaseMonthsAgo = 16,
       .purchaseValue = 92400, .salvageValue = 22000, .lifeMonths = 72, .method = 1,
       .certifiedId = "OE2", .startMeter = 380, .unitsLo = 15, .unitsHi = 45, .everyDays = 18,
       .fuelCentsPerUnit = 210, .operatorId = 104, .ud3 = "CIM-448812", .destinationType = "None"},
      {.id = "SS-602", .description = "2019 CAT 262D3 Skid Steer Loader",
       .physical = "72 in bucket, pallet forks, solid tires", .classCode = "Skid Steer",
       .kind = K::SkidSteer, .licenseCode = "EXM", .vin = "CAT0262DEFDT04921",
       .internalRateCents = 5600, .rentalRateCents = 7800, .purchaseMonthsAgo = 64,
       .purchaseValue = 61500, .salvageValue = 12000, .lifeMonths = 72, .method = 2,
       .certifiedId = "OE2", .startMeter = 3020, .unitsLo = 12, .unitsHi = 42, .everyDays = 22,
       .fuelCentsPerUnit = 190, .operatorId = 110, .ud2 = "12-16.5", .ud3 = "CIM-448812",
       .destinationType = "None"},
      {.id = "RL-701", .description = "2020 Hamm HD+ 90i VO Tandem Roller",
       .physical = "66 in drums, oscillation, water spray system", .classCode = "Roller",
       .kind = K::Roller, .licenseCode = "EXM", .vin = "H2012345", .internalRateCents = 7200,
       .rentalRateCents = 9800, .purchaseMonthsAgo = 48, .purchaseValue = 138000,
       .salvageValue = 30000, .lifeMonths = 96, .method = 1, .certifiedId = "OE2",
       .startMeter = 1960, .unitsLo = 15, .unitsHi = 45, .everyDays = 28, .fuelCentsPerUnit = 230,
       .operatorId = 104, .ud3 = "CIM-448812", .destinationType = "None"},
      {.id = "AC-801", .description = "2021 Doosan P185WDO Air Compressor",
       .physical = "185 CFM, tow-behind, aftercooler", .classCode = "Compressor",
       .kind = K::Compressor, .licenseCode = "TRL", .plate = "TR22874", .vin = "DPA185WDOL3B81022",
       .internalRateCents = 2400, .rentalRateCents = 3800, .purchaseMonthsAgo = 36,
       .purchaseValue = 24600, .salvageValue = 4000, .lifeMonths = 60, .method = 1,
       .certifiedId = "OE3", .startMeter = 1120, .unitsLo = 15, .unitsHi = 60, .everyDays = 30,
       .fuelCentsPerUnit = 90, .operatorId = 110, .destinationType = "None"},
      {.id = "AC-802", .description = "2014 Sullair 375 Air Compressor",
       .physical = "375 CFM, tow-behind, worn air end", .classCode = "Compressor",
       .kind = K::Compressor, .licenseCode = "TRL", .plate = "TR15230", .vin = "SUL375DPQJD200311",
       .internalRateCents = 3000, .rentalRateCents = 4800, .purchaseMonthsAgo = 130,
       .purchaseValue = 31900, .salvageValue = 3000, .lifeMonths = 84, .method = 2,
       .certifiedId = "OE3", .startMeter = 6850, .unitsLo = 12, .unitsHi = 45, .everyDays = 35,
       .fuelCentsPerUnit = 150, .life = L::Retired, .lifeMonthsAgo = 10, .operatorId = 110,
       .destinationType = "None"},
      {.id = "GN-851", .description = "2022 Generac MDG75DF4 Mobile Generator",
       .physical = "60 kW, tow-behind, 24-hour fuel tank", .classCode = "Generator",
       .kind = K::Generator, .licenseCode = "TRL", .plate = "TR26611", .vin = "3002145917",
       .internalRateCents = 2900, .rentalRateCents = 4600, .purchaseMonthsAgo = 26,
       .purchaseValue = 48200, .salvageValue = 8000, .lifeMonths = 84, .method = 1,
       .certifiedId = "OE3", .startMeter = 2240, .unitsLo = 45, .unitsHi = 165, .everyDays = 25,
       .fuelCentsPerUnit = 300, .operatorId = 110, .destinationType = "G/L Account",
       .destinationAccount = "7100"},
      {.id = "GN-852", .description = "2012 Multiquip DCA45 Generator",
       .physical = "36 kW, out of service - engine needs rebuild", .classCode = "Generator",
       .kind = K::Generator, .licenseCode = "TRL", .plate = "TR11984", .vin = "7210345",
       .internalRateCents = 2500, .rentalRateCents = 4000, .purchaseMonthsAgo = 150,
       .purchaseValue = 22800, .salvageValue = 2000, .lifeMonths = 84, .method = 1,
       .certifiedId = "OE3", .startMeter = 9870, .unitsLo = 1, .unitsHi = 1, .everyDays = 75,
       .life = L::Idle, .operatorId = 110, .destinationType = "None"},
      {.id = "TR-901", .description = "2019 Eager Beaver 20XPT Lowboy Trailer",
       .physical = "20 ton, detachable gooseneck, 24 ft deck", .classCode = "Trailer",
       .kind = K::Trailer, .miles = true, .licenseCode = "TRL", .plate = "TR30087",
       .vin = "112SDL205KL072655", .internalRateCents = 115, .rentalRateCents = 155,
       .purchaseMonthsAgo = 70, .purchaseValue = 68500, .salvageValue = 12000, .lifeMonths = 120,
       .method = 2, .startMeter = 38200, .unitsLo = 180, .unitsHi = 780, .everyDays = 30,
       .operatorId = 105, .ud2 = "255/70R22.5", .destinationType = "None"},
      {.id = "TR-902", .description = "2021 Big Tex 14GN Gooseneck Dump Trailer",
       .physical = "14,000 lb GVWR, 16 ft box, ramps", .classCode = "Trailer", .kind = K::Trailer,
       .miles = true, .licenseCode = "TRL", .plate = "TR33419", .vin = "16V1D2525M2138874",
       .internalRateCents = 48, .rentalRateCents = 75, .purchaseMonthsAgo = 34,
       .purchaseValue = 14900, .salvageValue = 2500, .lifeMonths = 84, .method = 1,
       .startMeter = 9640, .unitsLo = 120, .unitsHi = 540, .everyDays = 35, .operatorId = 107,
       .ud2 = "ST235/80R16", .destinationType = "None"},
      {.id = "TR-903", .description = "2017 Felling FT-10 Tag Trailer",
       .physical = "10 ton, pintle hitch, stand-up ramps", .classCode = "Trailer",
       .kind = K::Trailer, .miles = true, .licenseCode = "TRL", .plate = "TR27760",
       .vin = "5FTEE2321H1009823", .internalRateCents = 36, .purchaseMonthsAgo = 90,
       .purchaseValue = 11200, .salvageValue = 1500, .lifeMonths = 84, .method = 3,
       .startMeter = 21400, .unitsLo = 90, .unitsHi = 420, .everyDays = 45, .operatorId = 106,
       .ud2 = "ST225/75R15", .destinationType = "None"},
      {.id = "ST-950", .description = "2020 Ford F-550 Mechanic Service Truck",
       .physical = "Stellar service body, 7500 lb crane, air compressor, welder",
       .classCode = "Service Truck", .kind = K::ServiceTruck, .licenseCode = "CMV",
       .plate = "CP45501", .vin = "1FDUF5HT6LDA11842", .internalRateCents = 7800,
       .purchaseMonthsAgo = 46, .purchaseValue = 148000, .salvageValue = 30000, .lifeMonths = 96,
       .method = 1, .startMeter = 3340, .unitsLo = 18, .unitsHi = 48, .everyDays = 15,
       .fuelCentsPerUnit = 180, .operatorId = 108, .ud1 = "FC-4417-0950", .ud2 = "225/70R19.5",
       .ud3 = "CAL-77140-09", .ud4 = "GPS-9501", .destinationType = "Category",
       .destinationCategory = "REPAIR"},
      {.id = "WT-960", .description = "2017 International 7400 Water Truck",
       .physical = "4,000 gal tank, front spray bar, side sprays, water cannon",
       .classCode = "Water Truck", .kind = K::WaterTruck, .miles = true, .licenseCode = "CMV",
       .plate = "CP38214", .vin = "1HTWGAAT6HJ381550", .internalRateCents = 315,
       .rentalRateCents = 390, .purchaseMonthsAgo = 86, .purchaseValue = 118000,
       .salvageValue = 20000, .lifeMonths = 96, .method = 4, .methodName = "Tax Basis",
       .certifiedId = "TD2", .startMeter = 96300, .unitsLo = 270, .unitsHi = 960, .everyDays = 22,
       .fuelCentsPerUnit = 18, .operatorId = 107, .ud1 = "FC-4417-0960", .ud2 = "11R22.5",
       .ud3 = "CAL-77140-06", .ud4 = "GPS-9601", .destinationType = "None"},
      {.id = "FT-970", .description = "2019 Freightliner M2 Fuel & Lube Truck",
       .physical = "2,000 gal diesel, five lube reels, grease and air",
       .classCode = "Service Truck", .kind = K::FuelTruck, .licenseCode = "CMV", .plate = "CP42290",
       .vin = "1FVACWFB5KHKM0612", .internalRateCents = 7200, .purchaseMonthsAgo = 60,
       .purchaseValue = 139500, .salvageValue = 25000, .lifeMonths = 96, .method = 2,
       .certifiedId = "TD2", .startMeter = 4120, .unitsLo = 18, .unitsHi = 45, .everyDays = 18,
       .fuelCentsPerUnit = 160, .operatorId = 107, .ud1 = "FC-4417-0970", .ud2 = "11R22.5",
       .ud3 = "CAL-77140-07", .ud4 = "GPS-9701", .destinationType = "Category",
       .destinationCategory = "PM-A", .neglected = true},
      {.id = "LT-980", .description = "2018 Genie S-65 Telescopic Boom Lift",
       .physical = "65 ft platform height, 4WD, foam-filled tires", .classCode = "Aerial Lift",
       .kind = K::Lift, .licenseCode = "EXM", .vin = "S6018A-21457", .internalRateCents = 4200,
       .rentalRateCents = 6800, .purchaseMonthsAgo = 76, .purchaseValue = 96500,
       .salvageValue = 15000, .lifeMonths = 84, .method = 3, .certifiedId = "OE3",
       .startMeter = 2870, .unitsLo = 12, .unitsHi = 39, .everyDays = 32, .fuelCentsPerUnit = 60,
       .operatorId = 110, .ud3 = "CIM-448812", .destinationType = "None", .neglected = true},
      // clang-format on
  };
  return specs;
}

const std::vector<CategorySpec>& categorySpecs() {
  static const std::vector<CategorySpec> specs = {
      {"DEPREC", "Depreciation", "6170", "1620", "Month", "N", "", 0, "", 0},
      {"FUEL", "Fuel", "6100", "2000", "Gal", "N", "", 0, "", 0},
      {"HYDR", "Hydraulic System Service", "6180", "2000", "Each", "M", "Hours", 2000, "", 0},
      {"INSPECT", "Safety Inspection", "6190", "2000", "Each", "E", "", 0, "Days", 90},
      {"INSUR", "Insurance", "6140", "2000", "Year", "E", "", 0, "Months", 12},
      {"LICENSE", "License & Registration", "6150", "2000", "Year", "E", "", 0, "Months", 12},
      {"OIL", "Oil & Lubricants", "6110", "2000", "Qts", "N", "", 0, "", 0},
      {"PM-A", "Preventive Maint. A (Lube)", "6160", "2100", "Hours", "M", "Hours", 250, "", 0},
      {"PM-B", "Preventive Maint. B (Major)", "6160", "2000", "Each", "B", "Hours", 1000, "Months",
       6},
      {"REPAIR", "Repairs - Parts & Labor", "6130", "2000", "Hours", "N", "", 0, "", 0},
      {"TIRES", "Tires", "6120", "2000", "Each", "M", "Miles", 40000, "", 0},
      {"UNDERCAR", "Undercarriage", "6195", "2000", "Each", "N", "", 0, "", 0},
  };
  return specs;
}

const std::vector<JobSpec>& jobSpecs() {
  static const std::vector<JobSpec> specs = {
      {"2101", "Riverside Sewer Replacement", false, false, 24, 10},
      {"2108", "Maple Street Reconstruction", true, false, 20, 4},
      {"2115", "Northgate Shopping Center Site Work", true, false, 16, 2},
      {"2122", "County Road 14 Widening", true, false, 13, 0},
      {"2130", "Hillcrest School Parking Lot", true, false, 9, 5},
      {"2137", "Lakeview Subdivision Phase 2", true, false, 7, 0},
      {"2144", "Water Treatment Plant Upgrade", true, false, 3, 0},
      {"9100", "Warranty & Callback Work", true, true, 30, 0},
  };
  return specs;
}

const std::vector<CostCodeSpec>& costCodeSpecs() {
  static const std::vector<CostCodeSpec> specs = {
      {"01-100", "E", "Mobilization"},
      {"01-200", "E", "Temporary Power & Air"},
      {"01-300", "E", "Supervision Vehicles"},
      {"01-900", "L", "Supervision"},
      {"01-950", "G", "Small Tools & Supplies"},
      {"01-990", "B", "Payroll Burden"},
      {"02-200", "E", "Excavation"},
      {"02-210", "E", "Trenching & Backfill"},
      {"02-300", "E", "Grading"},
      {"02-400", "E", "Hauling"},
      {"02-500", "E", "Compaction"},
      {"02-700", "E", "Dust Control"},
      {"03-100", "M", "Pipe & Materials"},
      {"03-200", "S", "Paving Subcontract"},
      {"03-300", "L", "Pipe Crew Labor"},
  };
  return specs;
}

std::vector<std::string> categoriesOf(const EquipmentModel& e) {
  std::vector<std::string> c = {"DEPREC", "INSUR", "REPAIR"};
  auto add = [&c](std::initializer_list<const char*> ids) {
    c.insert(c.end(), ids.begin(), ids.end());
  };
  switch (e.kind) {
    case Kind::Pickup:
      add({"FUEL", "OIL", "TIRES", "LICENSE", "PM-A"});
      break;
    case Kind::Dump:
    case Kind::ServiceTruck:
    case Kind::WaterTruck:
    case Kind::FuelTruck:
      add({"FUEL", "OIL", "TIRES", "LICENSE", "PM-A", "PM-B", "INSPECT"});
      if (e.kind == Kind::Dump) add({"HYDR"});
      break;
    case Kind::Excavator:
    case Kind::Loader:
    case Kind::Dozer:
      add({"FUEL", "OIL", "PM-A", "PM-B", "HYDR"});
      break;
    case Kind::SkidSteer:
      add({"FUEL", "OIL", "PM-A", "HYDR"});
      break;
    case Kind::Roller:
    case Kind::Compressor:
    case Kind::Generator:
      add({"FUEL", "OIL", "PM-A"});
      break;
    case Kind::Trailer:
      add({"TIRES", "LICENSE", "INSPECT"});
      break;
    case Kind::Lift:
      add({"FUEL", "OIL", "PM-A", "HYDR", "INSPECT"});
      break;
  }
  if (e.tracked)
    add({"UNDERCAR"});
  else if (e.kind == Kind::Loader || e.kind == Kind::SkidSteer)
    add({"TIRES"});
  std::sort(c.begin(), c.end());
  return c;
}

Schedule scheduleOf(const EquipmentModel& e, const CategorySpec& c) {
  Schedule s{c.scheduleType, c.meterName, c.meter, c.intervalName, c.interval};
  const std::string id = c.id;
  if (!e.miles && s.meterName == "Miles") {
    // Tyres of machines wear by the hour.
    s.meterName = "Hours";
    s.meter = 3000;
  }
  if (e.miles && s.meterName == "Hours") {
    s.meterName = "Miles";
    s.meter = id == "PM-A" ? 5000 : 15000;
  }
  // Road equipment has its annual inspection; only the lift keeps the quarterly one.
  if (id == "INSPECT" && e.kind != Kind::Lift) {
    s.intervalName = "Months";
    s.interval = 12;
  }
  return s;
}

const CategorySpec& categorySpec(std::string_view id) {
  for (const auto& c : categorySpecs())
    if (id == c.id) return c;
  throw std::logic_error("demo company: no cost category " + std::string(id));
}

std::string usageUnit(const EquipmentModel& e) {
  return e.miles ? "Miles" : "Hours";
}

namespace {
AssetGroup groupOf(const EquipmentModel& e) {
  switch (e.kind) {
    case Kind::Pickup:
    case Kind::Dump:
    case Kind::ServiceTruck:
    case Kind::WaterTruck:
    case Kind::FuelTruck:
      return AssetGroup::Vehicle;
    case Kind::Compressor:
    case Kind::Generator:
      return AssetGroup::Small;
    case Kind::Trailer:
      return AssetGroup::Trailer;
    default:
      return AssetGroup::Heavy;
  }
}
}  // namespace

std::string internalIncomeAccount(const EquipmentModel& e) {
  return groupOf(e) == AssetGroup::Vehicle ? "4610" : "4600";
}

std::string assetAccount(const EquipmentModel& e) {
  switch (groupOf(e)) {
    case AssetGroup::Vehicle:
      return "1510";
    case AssetGroup::Heavy:
      return "1520";
    case AssetGroup::Small:
      return "1530";
    case AssetGroup::Trailer:
      return "1540";
  }
  return "1520";
}

std::string accumulatedDepreciationAccount(const EquipmentModel& e) {
  switch (groupOf(e)) {
    case AssetGroup::Vehicle:
      return "1610";
    case AssetGroup::Heavy:
      return "1620";
    case AssetGroup::Small:
      return "1630";
    case AssetGroup::Trailer:
      return "1640";
  }
  return "1620";
}

std::string costCodeFor(const EquipmentModel& e, Rng& rng) {
  switch (e.kind) {
    case Kind::Pickup:
      return "01-300";
    case Kind::Dump:
      return "02-400";
    case Kind::Excavator:
      return rng.chance(50) ? "02-200" : "02-210";
    case Kind::Loader:
      return rng.chance(60) ? "02-200" : "02-400";
    case Kind::Dozer:
      return "02-300";
    case Kind::SkidSteer:
      return rng.chance(50) ? "02-210" : "02-300";
    case Kind::Roller:
      return "02-500";
    case Kind::Compressor:
    case Kind::Generator:
    case Kind::Lift:
      return "01-200";
    case Kind::WaterTruck:
      return "02-700";
    case Kind::Trailer:
    case Kind::ServiceTruck:
    case Kind::FuelTruck:
      return "01-100";
  }
  return "01-100";
}

}  // namespace koreq::demo::detail
