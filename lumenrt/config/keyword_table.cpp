// The command-line keyword tables: command words with their ids, and switch words with the command
// they belong to, the configuration key they set and the value they imply. Frozen data.
#include "lumenrt/config/keywords.h"

// clang-format off
extern const CommandKeyword CommandKeywords[] = {
    {1, "BACKUP", 1, 0},
    {2, "LIST", 0, 255},
    {3, "RESTORE", 1, 1},
    {5, "SYNCH", 1, 3},
    {6, "VERIFY", 1, 2},
    {7, "MIGRATE", 1, 9},
    {8, "ANALYZE", 1, 12},
    {9, "RECOVER", 0, 255},
    {10, "INVENTORY", 0, 255},
    {101, "ENCPASSWORD", 0, 255},
    {102, "SETDIR", 0, 255},
    {201, "$DTACHECK", 0, 255},
    {202, "$SYNCHECK", 0, 255},
    {203, "$CATCHECK", 0, 255},
    {-1, "", 0, 255},
};

extern const SwitchKeyword SwitchKeywords[] = {
    {0, "DIAGNOSTICS", 103, "YES"},  // Diagnostics
    {0, "PROGRESS", 105, "YES"},  // Log.Show_Progress
    {0, "OPERATORMODE", 106, "CONSOLE"},  // Operator_Mode
    {0, "LOG", 401, "YES"},  // Log.Log_To_File
    {0, "DETAIL", 402, "FILES"},  // Log.Detail
    {0, "FORMAT", 403, ""},  // Log.Format
    {0, "ASSIST", 303, "YES"},  // Tape.Assist
    {0, "IGNLABEL", 305, "YES"},  // Tape.Ignore_Label
    {0, "LABEL", 306, ""},  // Tape.Label
    {0, "UNLOAD", 302, "YES"},  // Tape.Unload
    {0, "USEEOD", 304, "YES"},  // Tape.Use_EOD
    {0, "ENCPASSWORD", 104, ""},  // Enc_Password
    {0, "PARAM", 9500, ""},  // Param.Filename
    {0, "PRIORITY", 107, "5"},  // Priority
    {102, "DIRECTORY", 101, ""},  // Data_Directory
    {201, "SOURCE", 9201, ""},  // DTACheck.Filename
    {203, "SOURCE", 9301, ""},  // CATCheck.Filename
    {203, "DUMP", 9302, "YES"},  // CATCheck.Dump
    {202, "SOURCE", 9400, ""},  // SYNCheck.Filename
    {1, "ARCH", 1027, "YES"},  // Backup.Suppress_ABP
    {1, "REGISTRY", 1013, "YES"},  // (no schema row)
    {1, "AD", 1025, "YES"},  // (no schema row)
    {1, "INCLUDEEXCH", 1031, ""},  // Backup.EXCH_Include
    {1, "EXCHTYPE", 1032, "INCR"},  // Backup.EXCH_Backup_Type
    {1, "DELEXCHLOG", 1033, "YES"},  // Backup.EXCH_Del_Log
    {1, "TYPE", 1002, ""},  // Backup.Type
    {1, "COMPRESSION", 1005, "STANDARD"},  // Backup.Compression
    {1, "DESTINATION", 1001, ""},  // Backup.Destination
    {1, "DEFERAFTER", 1016, ""},  // Backup.Defer_After
    {1, "ENCTYPE", 1009, "DES"},  // Backup.Enc_Type
    {1, "ENCPASSWORD", 104, ""},  // Enc_Password
    {1, "EXCLUDE", 1004, ""},  // Backup.Exclude
    {1, "INCLUDE", 1003, ""},  // Backup.Include
    {1, "CATALOG", 1011, "YES"},  // Backup.Local_Catalog
    {1, "RETENTION", 1012, ""},  // Backup.Retention
    {1, "INIT", 301, "YES"},  // Tape.Init
    {1, "IGNSECURITY", 1007, "YES"},  // Backup.Ignore_Security
    {1, "IGNALTDATA", 1006, "YES"},  // Backup.Ignore_AltData
    {1, "IGNLOCKING", 1008, "YES"},  // Backup.Allow_Writers
    {1, "MIGRATE", 1018, "YES"},  // Backup.Migrate
    {1, "QUICKSCAN", 1019, "YES"},  // Backup.Skip_Unchanged
    {1, "RETRY", 1021, "YES"},  // Backup.Use_Retry
    {1, "DELAY", 1022, ""},  // Backup.Retry_Delay
    {1, "DELTA", 1026, "YES"},  // Backup.Delta_Processing
    {1, "IGNNOBACKUP", 1056, "YES"},  // Backup.Ignore_NoBackup
    {1, "CMPSTATS", 1063, "YES"},  // Backup.Compression_Stats
    {1, "SVRADDRESS", 10020, ""},  // Server%.Net_Address
    {1, "SVRACCOUNT", 10060, ""},  // Server%.Account
    {1, "SVRUSERNAME", 10070, ""},  // Server%.Username
    {1, "SVRPASSWORD", 10080, ""},  // Server%.Password
    {2, "INCLUDE", 4001, ""},  // List.Include
    {2, "SOURCE", 4002, ""},  // List.Source
    {2, "EXCLUDE", 4003, ""},  // List.Exclude
    {8, "START", 5005, ""},  // Analyze.Catalog_Lo
    {8, "END", 5006, ""},  // Analyze.Catalog_Hi
    {8, "REFRESH", 5007, "YES"},  // (no schema row)
    {8, "LINESPEED", 5001, ""},  // Analyze.Line_Speed
    {8, "TOPFILES", 5003, ""},  // Analyze.Top_Files
    {8, "TOPDIRS", 5004, ""},  // Analyze.Top_Directories
    {8, "REPORTS", 5010, ""},  // Analyze.Reports
    {8, "OUTPUT", 5011, ""},  // Analyze.Report_Name
    {8, "INCLUDE", 5002, ""},  // Analyze.Include
    {10, "OUTPUT", 5500, ""},  // Inventory.Output
    {5, "SOURCE", 9101, ""},  // Synch.Source
    {3, "DESTINATION", 2003, ""},  // Restore.Destination
    {3, "EXCLUDE", 2006, ""},  // Restore.Exclude
    {3, "INCLUDE", 2005, ""},  // Restore.Include
    {3, "OVRWRITE", 2007, "YES"},  // Restore.Overwrite
    {3, "IGNSECURITY", 2010, "YES"},  // Restore.Ignore_Security
    {3, "IGNALTDATA", 2009, "YES"},  // Restore.Ignore_AltData
    {3, "IGNDATA", 2015, "YES"},  // Restore.Ignore_Data
    {3, "OVRLOCKED", 2008, "YES"},  // Restore.Replace_Locked
    {3, "CREATESUBDIRS", 2004, "YES"},  // Restore.Create_Subdirs
    {3, "ORIGDIR", 2002, "YES"},  // Restore.Use_Orig_Dirs
    {3, "REGISTRY", 2011, "YES"},  // Restore.Registry
    {3, "AD", 2016, "YES"},  // Restore.Active_Directory
    {3, "SYSST", 2017, "YES"},  // Restore.System_State
    {3, "INCLUDEEXCH", 2026, ""},  // Restore.EXCH_Include
    {3, "ROLLFORWARD", 2027, "YES"},  // Restore.EXCH_Roll_Forward
    {3, "EXCHLOGALTLOC", 2028, ""},  // Restore.EXCH_Log_Alt_Location
    {3, "SOURCE", 2001, ""},  // Restore.Source
    {3, "SVRADDRESS", 10020, ""},  // Server%.Net_Address
    {3, "SVRACCOUNT", 10060, ""},  // Server%.Account
    {3, "SVRUSERNAME", 10070, ""},  // Server%.Username
    {3, "SVRPASSWORD", 10080, ""},  // Server%.Password
    {6, "DESTINATION", 3002, ""},  // Verify.Destination
    {6, "EXCLUDE", 3004, ""},  // Verify.Exclude
    {6, "INCLUDE", 3003, ""},  // Verify.Include
    {6, "IGNSECURITY", 3006, "YES"},  // Verify.Ignore_Security
    {6, "IGNALTDATA", 3005, "YES"},  // Verify.Ignore_AltData
    {6, "SOURCE", 3001, ""},  // Verify.Source
    {6, "ERRORSONLY", 3007, "YES"},  // Verify.Errors_Only
    {6, "COMPARE", 3008, "YES"},  // Verify.Compare_Data
    {6, "HEADERS", 3009, "YES"},  // Verify.Check_Headers
    {11, "DESTINATION", 6001, ""},  // Export.Destination
    {11, "EXCLUDE", 6003, ""},  // Export.Exclude
    {11, "INCLUDE", 6002, ""},  // Export.Include
    {0, "STOKEN", 800, ""},  // (empty key name)
    {1, "SQLTYPE", 1102, "Full"},  // SQLServerBackup.Type
    {-1, "", 0, ""},
};
// clang-format on

static_assert(sizeof(CommandKeywords) / sizeof(CommandKeywords[0]) == lumenrt::kCommandKeywordCount + 1);
static_assert(sizeof(SwitchKeywords) / sizeof(SwitchKeywords[0]) == lumenrt::kSwitchKeywordCount + 1);
