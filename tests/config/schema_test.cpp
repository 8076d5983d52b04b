#include "lumenrt/config/schema.h"

#include <cstring>
#include <map>
#include <string>

#include <gtest/gtest.h>

namespace {

int RowCount() {
  int n = 0;
  while (SchemaTable[n].id != 0) ++n;
  return n;
}

TEST(SchemaTable, CountsAndTerminator) {
  ASSERT_EQ(RowCount(), lumenrt::kSchemaRowCount);
  const SchemaEntry& end = SchemaTable[lumenrt::kSchemaRowCount];
  EXPECT_EQ(end.kinds, 0xffffu);
  EXPECT_EQ(end.minVersion, 101);
  EXPECT_EQ(end.maxVersion, 105);
  EXPECT_STREQ(end.key, "");
  EXPECT_STREQ(end.displayName, "");
  EXPECT_STREQ(end.type, "");

  std::map<unsigned, int> byKinds;
  std::map<std::string, int> byType;
  std::map<std::pair<int, int>, int> byVersions;
  int indexed = 0;
  for (int i = 0; i < lumenrt::kSchemaRowCount; ++i) {
    const SchemaEntry& r = SchemaTable[i];
    ++byKinds[r.kinds];
    ++byType[r.type[0] == '/' ? "enum" : r.type];
    ++byVersions[{r.minVersion, r.maxVersion}];
    indexed += std::strchr(r.key, '%') != nullptr;
  }
  EXPECT_EQ(byKinds,
            (std::map<unsigned, int>{{0x1, 229}, {0x2, 23}, {0x4, 32}, {0xffff, 49}, {0x1ffff, 19}}));
  EXPECT_EQ(byType, (std::map<std::string, int>{
                        {"#S", 156}, {"#B", 100}, {"#H", 36}, {"#N", 35}, {"#P", 8}, {"enum", 17}}));
  EXPECT_EQ(byVersions, (std::map<std::pair<int, int>, int>{{{101, 105}, 325},
                                                            {{105, 105}, 13},
                                                            {{101, 101}, 5},
                                                            {{102, 105}, 5},
                                                            {{104, 105}, 2},
                                                            {{103, 105}, 2}}));
  EXPECT_EQ(indexed, 103);
}

TEST(SchemaTable, SampleRowsOfEverySection) {
  struct Row {
    int index, id;
    unsigned kinds;
    int minVersion, maxVersion;
    const char *key, *display, *type;
  };
  const Row rows[] = {
      {0, 100, 0x1, 101, 105, "#", "General Info", "#H"},
      {7, 210, 0x1, 101, 101, "TASK_DORVAN_ID", "Dorvan ID", "#N"},
      {8, 210, 0x1, 102, 105, "TASK_DORVAN_ID", "Dorvan ID", "#S"},
      {14, 1000, 0x1, 101, 105, "#Backup", "Backup Options", "#H"},
      {29, 1030, 0x1, 101, 105, "Backup.System_1State_Opt_SysFiles", "Backup System Files?", "#B"},
      {78, 1100, 0xffff, 101, 105, "#SQLServerBackup", "SQLServer Backup", "#H"},
      {80, 1102, 0x1, 101, 105, "SQLServerBackup.Type", "Type", "/Full/Differential/TransactionLog"},
      {89, 1038, 0x1, 101, 105, "EXCHMAPI_Profile", "Profile to use", "#S"},
      {104, 2018, 0x1, 101, 105, "Restore.System_1State_Restore_Type", "Restore type", "/Auth/NonAuth"},
      {135, 2100, 0xffff, 101, 105, "#SQLServerRestore", "SQLServer Restore", "#H"},
      {147, 2200, 0xffff, 101, 105, "#SQLServerRestore", "SQLServer Restore", "#H"},
      {155, 2208, 0xffff, 101, 105, "SQLServerRestore.Restorefile", "Restore file", "#S"},
      {162, 12040, 0x1ffff, 101, 105, "SQLServer%.Password", "Password", "#P"},
      {175, 13100, 0xffff, 101, 105, "#Plugin%", "Plugin Info (%)", "#H"},
      {184, 13200, 0xffff, 104, 105, "Plugin%.Path", "Path", "#S"},
      {190, 707, 0x1, 101, 105, "OpenFile.Abort_Options", "Abort Options", "/Log And Continue/Log And Halt"},
      {191, 801, 0x1, 105, 105, "#Scheduler", "Scheduler Options", "#H"},
      {202, 908, 0x1, 105, 105, "PowerManagement.AskBackupOnShutdown_IfLoggedOn",
       "Prompt the logged on user to do a backup before shutting down?", "#B"},
      {213, 403, 0x1, 101, 105, "Log.Format", "File-Info Format", "/Brief/Full/Dump"},
      {216, 3502, 0x1ffff, 101, 105, "RunAs.Password", "Run As Password", "#P"},
      {219, 5001, 0x1, 101, 105, "Analyze.Line_Speed", "Line Speed",
       "/28.8K_Modem/33.6K_Modem/56K_Modem/56K_ISDN/64K_ISDN/128K_ISDN/T1_1.5Mbps/Ethernet_10Mbps/T3_45Mbps/"
       "256K_Frame_Relay/512K_Frame_Relay/E1_2Mbps"},
      {227, 5500, 0x1, 101, 105, "Inventory.Output", "Inventory", "#S"},
      {231, 6003, 0x1, 101, 105, "Export.Exclude", "Exclude", "#S"},
      {235, 504, 0x1, 101, 105, "NDS.BackupType", "NDS Backup Type", "/All/UserRoot/Specify"},
      {252, 10310, 0x1, 101, 101, "Server%.COMPUTER_ID", "ComputerID ", "#N"},
      {255, 10300, 0x1, 102, 105, "Server%.DORVAN_ID", "DorvanID ", "#S"},
      {264, 11040, 0x1, 101, 105, "Retention%.Archive_Days", "Archive Days", "#N"},
      {270, 605, 0x1, 101, 105, "Notification.FromAddress", "From Address", "#S"},
      {271, -1, 0xffff, 101, 105, "#!", "", "#H"},
      {295, 105, 0x1, 101, 105, "Log.Show_Progress", "", "#B"},
      {296, 20000, 0x2, 101, 105, "#Hardware", "Hardware", "#H"},
      {297, 20000, 0x2, 101, 105, "#Hardware.CPU%%", "CPU Info", "#H"},
      {311, 30000, 0x2, 101, 105, "#Software.Service%%%", "Service Info", "#H"},
      {319, 50000, 0x4, 101, 105, "#Printer%%%", "Printer Info", "#H"},
      {337, 80000, 0x4, 101, 105, "#Stock%%%", "Stock Info", "#H"},
      {349, 94000, 0x4, 101, 105, "Format%%%.Language", "Format Language", "#S"},
      {350, 93000, 0x4, 101, 105, "Format%%%.Type", "Format Type", "#S"},
      {351, 800, 0xffff, 105, 105, "", "", "#S"},
  };
  for (const Row& want : rows) {
    SCOPED_TRACE(want.index);
    const SchemaEntry& got = SchemaTable[want.index];
    EXPECT_EQ(got.id, want.id);
    EXPECT_EQ(got.kinds, want.kinds);
    EXPECT_EQ(got.minVersion, want.minVersion);
    EXPECT_EQ(got.maxVersion, want.maxVersion);
    EXPECT_STREQ(got.key, want.key);
    EXPECT_STREQ(got.displayName, want.display);
    EXPECT_STREQ(got.type, want.type);
  }
}

// The name of id under (version, kinds), or "<unchanged>" when no row matches.
std::string NameOf(int id, int version, unsigned kinds) {
  ZString name("<unchanged>");
  FormatKeyName(id, name, version, kinds);
  return name.c_str();
}

TEST(FormatKeyName, NamesAcrossVersionsKindsAndPlaceholderWidths) {
  struct Case {
    int id, version;
    unsigned kinds;
    const char* name;
  } cases[] = {
      {1005, 101, 1, "Backup.Compression"},
      {1005, 105, 1, "Backup.Compression"},
      {210, 101, 1, "TASK_DORVAN_ID"},
      {210, 100, 1, "<unchanged>"},
      {210, 106, 1, "<unchanged>"},
      {802, 105, 1, "Scheduler.Auto_Restart_Missed"},
      {802, 104, 1, "<unchanged>"},
      {13200, 103, 1, "<unchanged>"},
      {13209, 104, 1, "Plugin9.Path"},
      {20000, 105, 2, "#Hardware"},
      {20000, 105, 1, "<unchanged>"},
      {20001, 105, 2, "#Hardware.CPU01"},
      {20107, 105, 2, "Hardware.CPU07.Vendor"},
      {20199, 105, 2, "Hardware.CPU99.Vendor"},
      {20809, 105, 2, "#Hardware.Device9"},
      {20810, 105, 2, "<unchanged>"},
      {21000, 105, 2, "Hardware.Device00.Type"},
      {31007, 105, 2, "Software.Service007.Name"},
      {31999, 105, 2, "Software.Service999.Name"},
      {30000, 105, 2, "#Software.Service000"},
      {50123, 103, 4, "#Printer123"},
      {93042, 103, 4, "Format042.Type"},
      {10025, 103, 1, "Server5.Net_Address"},
      {10025, 103, 0xffff, "Server5.Net_Address"},
      {10000, 105, 1, "#Server0"},
      {13105, 105, 1, "#Plugin5"},
      {13110, 105, 1, "Plugin0.Code"},
      {13119, 105, 1, "Plugin9.Code"},
      {13120, 105, 1, "Plugin0.Name"},
      {2105, 105, 1, "SQLServerRestore.Server"},
      {2205, 105, 1, "SQLServerRestore.Server"},
      {2209, 105, 1, "<unchanged>"},
      {2104, 105, 0x10000, "<unchanged>"},
      {2106, 105, 0x10000, "SQLServerRestore.UserID"},
      {-1, 101, 1, "#!"},
      {800, 105, 1, ""},
      {800, 104, 1, "<unchanged>"},
      {0, 105, 0xffffffff, "<unchanged>"},
      {1013, 105, 1, "<unchanged>"},
      {-2147483647 - 1, 105, 0xffffffff, "<unchanged>"},
      {2147483647, 105, 0xffffffff, "<unchanged>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NameOf(c.id, c.version, c.kinds), c.name) << c.id << " v" << c.version << " k" << c.kinds;
  }
}

TEST(FindKeyType, ExactIdsOnly) {
  struct Case {
    int id;
    unsigned kinds;
    int version;
    const char* type;
  } cases[] = {
      {1005, 1, 103, "/Standard/Default/Normal/None/Minimum/Better/Maximum"},
      {210, 1, 101, "#N"},
      {210, 1, 102, "#S"},
      {210, 1, 105, "#S"},
      {210, 1, 106, ""},
      {10030, 1, 105, "/TCP"},
      {10031, 1, 105, ""},
      {10310, 1, 101, "#N"},
      {10310, 1, 103, "#S"},
      {20000, 2, 105, "#H"},
      {800, 1, 105, "#S"},
      {800, 1, 104, ""},
      {1013, 0xffffffff, 105, ""},
      {1032, 1, 105, "/Full/Incr"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(std::string(FindKeyType(c.id, c.kinds, c.version).c_str()), c.type)
        << c.id << " v" << c.version;
  }
}

TEST(FindKeyId, ReadsNamesBackWithInstanceDigits) {
  struct Case {
    const char* name;
    int version;
    unsigned kinds;
    int id;  // 0: not found
  } cases[] = {
      {"Backup.Compression", 105, 1, 1005},
      {"backup.COMPRESSION", 105, 1, 1005},
      {"Server5.Net_Address", 103, 1, 10025},
      {"Software.Service007.Name", 105, 2, 31007},
      {"Hardware.CPU07.Vendor", 105, 2, 20107},
      {"#Hardware", 105, 2, 20000},
      {"SQLServerRestore.Include", 105, 1, 2101},
      {"Scheduler.Auto_Restart_Missed", 104, 1, 0},
      {"ServerX.Net_Address", 105, 1, 0},
      {"Server55.Net_Address", 105, 1, 0},
      {"#!", 105, 1, -1},
      {"", 105, 0xffff, 0},
      {"Backup.Compressio", 105, 1, 0},
  };
  for (const Case& c : cases) {
    int id = 0;
    EXPECT_EQ(lumenrt::FindKeyId(c.name, c.version, c.kinds, &id), c.id != 0 ? 1 : 0) << c.name;
    if (c.id != 0) {
      EXPECT_EQ(id, c.id) << c.name;
    }
  }
}

TEST(FindKeyId, EveryNamedRowRoundTrips) {
  // Instance 0 of every named key reads back to an id whose name is the same text, except instance 00
  // of #Hardware.CPU%%, whose id 20000 is named #Hardware.
  for (const SchemaEntry* row = SchemaTable; row->id != 0; ++row) {
    if (row->key[0] == '\0' || std::strcmp(row->key, "#Hardware.CPU%%") == 0) continue;
    ZString name = lumenrt::KeyNameOf(*row, 0);
    int id = 0;
    ASSERT_EQ(lumenrt::FindKeyId(name, row->maxVersion, row->kinds, &id), 1) << name.c_str();
    EXPECT_EQ(NameOf(id, row->maxVersion, row->kinds), name.c_str());
  }
}

}  // namespace
