// The module table, its facility codes as the registry and the message catalogue answer them, and
// the OTM status texts.
#include "lumenrt/plugins/module_table.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "lumenrt/core/facility_table.h"
#include "lumenrt/plugins/otm_status.h"
#include "lumenrt/plugins/plugin_registry.h"

namespace {

struct ModuleRow {
  const char* file;
  const char* facility;
  const char* code;
  int id;
  const char* type;
};

TEST(ModuleTable, FiveRowsInKindOrderEachColumnClosedByAnEmptyRow) {
  const ModuleRow rows[] = {
      {"QXExch.dll", "EXDB", "EXDB", 200, "EXCH"},
      {"QXExchMapi.dll", "EXMA", "EXMA", 201, "EXCHMAPI"},
      {"QXSqlServer.dll", "MSQL", "SQLS", 202, "SQLSERVER_70"},
      {"qxoracle.so", "ORCL", "ORAC", 203, "ORACLE_8I_SOLARIS"},
      {"QXOracleWin.dll", "ORCL", "ORAC", 204, "ORACLE_WIN32"},
      {"", "", "", 0, ""},
  };
  static_assert(sizeof(rows) / sizeof(rows[0]) == lumenrt::kModuleTableRows);
  for (int kind = 0; kind < lumenrt::kModuleTableRows; ++kind) {
    SCOPED_TRACE(kind);
    EXPECT_STREQ(lumenrt::kModuleFiles[kind], rows[kind].file);
    EXPECT_STREQ(lumenrt::kModuleFacilityCodes[kind], rows[kind].facility);
    EXPECT_STREQ(lumenrt::kModuleCodes[kind], rows[kind].code);
    EXPECT_EQ(lumenrt::kModuleIds[kind], rows[kind].id);
    EXPECT_STREQ(lumenrt::kModuleTypeNames[kind], rows[kind].type);
  }
  EXPECT_EQ(ORACLE_8I_SOLARIS, 3);
  EXPECT_STREQ(lumenrt::kExchTypeConstant, "EXCH");
}

TEST(ModuleTable, FacilityCodesOfModuleIdsFromRegistryAndCatalogueAgree) {
  struct Case {
    int id;
    const char* registry;   // moduleCode, null for no row
    const char* catalogue;  // FacilityCode
  };
  const Case cases[] = {
      {199, nullptr, "????"}, {200, "EXDB", "????"},  // the catalogue asks only above 200
      {201, "EXMA", "EXMA"},  {202, "MSQL", "MSQL"},  {203, "ORCL", "ORCL"}, {204, "ORCL", "ORCL"},
      {205, "", ""},          {206, nullptr, "????"}, {-1, nullptr, "????"},
  };
  IPlugins* registry = instance();
  ASSERT_NE(registry, nullptr);
  EXPECT_EQ(instance(), registry);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    if (c.registry == nullptr) {
      EXPECT_EQ(registry->moduleCode(c.id), nullptr);
    } else {
      EXPECT_STREQ(registry->moduleCode(c.id), c.registry);
    }
    EXPECT_STREQ(lumenrt::FacilityCode(c.id), c.catalogue);
  }
}

TEST(OtmStatus, FortyRowsClosedByTheUndefinedRow) {
  EXPECT_EQ(OtmStatusText[kOtmStatusRows - 1].code, 0xFFFFFFFFu);
  EXPECT_STREQ(OtmStatusText[kOtmStatusRows - 1].text, "Undefined OTM error code");
  std::set<std::uint32_t> codes;
  for (int i = 0; i < kOtmStatusRows; ++i) {
    codes.insert(OtmStatusText[i].code);
    ASSERT_NE(OtmStatusText[i].text, nullptr);
    EXPECT_STREQ(lumenrt::OtmStatusMessage(OtmStatusText[i].code), OtmStatusText[i].text);
    // Severity bits 01, 10 or 11 and the bit of codes defined outside the system.
    if (i + 1 < kOtmStatusRows) {
      EXPECT_NE(OtmStatusText[i].code >> 30, 0u) << i;
      EXPECT_NE(OtmStatusText[i].code & 0x20000000u, 0u) << i;
    }
  }
  EXPECT_EQ(codes.size(), static_cast<std::size_t>(kOtmStatusRows));
}

TEST(OtmStatus, CodesReadTheirRowOrTheClosingText) {
  const struct {
    std::uint32_t code;
    const char* text;
  } cases[] = {
      {0x60000003u, "OTM opened"},
      {0x60000005u, "Open Transaction Management deactivated for drive's partition"},
      {0xA0000003u, "The request is pending"},
      {0xE0001006u, "The application tryed to enabled OTM without first calling Otm_Register"},
      {0xE0001007u, "Undefined OTM error code"},  // the one gap in the error rows
      {0xE000100Au, "Wrong version of the driver has been loaded on this system"},
      {0xE0001022u, "Unable to create cache file"},
      {0xE0001023u, "Undefined OTM error code"},
      {0u, "Undefined OTM error code"},
      {0xFFFFFFFFu, "Undefined OTM error code"},
      {0x60000002u, "Undefined OTM error code"},
  };
  for (const auto& c : cases) EXPECT_STREQ(lumenrt::OtmStatusMessage(c.code), c.text) << std::hex << c.code;
}

}  // namespace
