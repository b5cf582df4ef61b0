#pragma once

#include "Application/driver/DriverProtocol.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TdxMemData;

/// The security level: which rule table is compiled and which of its rows.
enum TSaftyLevel : std::int32_t {
    slLow = 0,    // tblDefaultIPRules, rows with Low
    slMiddle = 1, // tblDefaultIPRules, rows with Middle
    slHigh = 2,   // tblDefaultIPRules, rows with High
    slCustom = 3, // tblIPRules, rows whose Use is 1
    slNoSet = 4,  // nothing; every other value behaves the same
};

/// Compiles the IP rule tables into the driver's packet filter table for a security level: one
/// contiguous block of 34-byte records in the tables' OrderID order, a local network rule
/// expanded into one record per local address.
class TFilterCreator {
public:
    TFilterCreator() = default;
    TFilterCreator(const TFilterCreator&) = delete;
    TFilterCreator& operator=(const TFilterCreator&) = delete;

    TSaftyLevel FilterLevel() const { return FFilterLevel; }
    /// Chooses the table, loads it when it is closed, and rebuilds the records.
    void SetFilterLevel(TSaftyLevel level);

    /// The records of the last build, FilterCount() of them, valid until the next build.
    TFilterRecord* Filters() { return FFilters.empty() ? nullptr : FFilters.data(); }
    int FilterCount() const { return FFilterCount; }

    // Bound by the owner before the first build; none of them is owned.
    TdxMemData* FCustomRules = nullptr;  // tblIPRules
    TdxMemData* FDefaultRules = nullptr; // tblDefaultIPRules
    const std::vector<std::string>* FLocalNetIP = nullptr;
    const std::vector<std::string>* FLocalNetMask = nullptr; // not read by the compilation
    /// Open a closed table by loading its rule file (the data module's LoadIPRules and
    /// LoadDefaultIPRules).
    std::function<void()> LoadCustomRules;
    std::function<void()> LoadDefaultRules;

private:
    void BuildFilters();
    int CountFilters();
    void FillFilters();
    bool Selected() const;
    void WriteFilter(TFilterRecord& record, std::uint32_t address, std::uint32_t mask) const;
    int LocalNetCount() const { return FLocalNetIP ? static_cast<int>(FLocalNetIP->size()) : 0; }

    TSaftyLevel FFilterLevel = slNoSet;
    TdxMemData* FRuleTable = nullptr;
    std::vector<TFilterRecord> FFilters; // kept between builds, resized by each
    int FFilterCount = 0;
};
