// lumenrt time: print the current time record, move a record to another zone offset, list the zones.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "lumenrt/timelog/time_record.h"

#include "command.h"
#include "records.h"

namespace lumenrt::tool {
namespace {

// The zone word of a TimeRecord marking `minutes` east: 0x1000 plus the 12-bit two's-complement
// offset (the record's layout, time_record.h).
std::uint16_t ZoneWord(int minutes) {
  return static_cast<std::uint16_t>(0x1000 | (static_cast<unsigned>(minutes) & 0x0FFFu));
}

struct ConvertRequest {
  std::string date;
  std::optional<std::string> time;
  std::optional<long long> from;
  long long to = 0;
};

std::optional<int> Field(const std::string& text, std::size_t start, std::size_t length, int lo, int hi) {
  if (start + length > text.size()) return std::nullopt;
  const std::string digits = text.substr(start, length);
  if (digits.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  const auto v = ParseInteger(digits, lo, hi);
  return v ? std::optional<int>(static_cast<int>(*v)) : std::nullopt;
}

bool ParseDate(const std::string& text, TimeRecord* r) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  const auto y = Field(text, 0, 4, 1, 9999), m = Field(text, 5, 2, 1, 12), d = Field(text, 8, 2, 1, 31);
  if (!y || !m || !d) return false;
  r->year = static_cast<std::int16_t>(*y);
  r->month = static_cast<std::uint8_t>(*m);
  r->day = static_cast<std::uint8_t>(*d);
  return true;
}

// HH:MM, HH:MM:SS or HH:MM:SS. with 1 to 6 decimal places.
bool ParseTime(const std::string& text, TimeRecord* r) {
  if (text.size() < 5 || text[2] != ':') return false;
  const auto h = Field(text, 0, 2, 0, 23), m = Field(text, 3, 2, 0, 59);
  if (!h || !m) return false;
  int second = 0;
  std::string fraction;
  if (text.size() > 5) {
    if (text[5] != ':') return false;
    const auto s = Field(text, 6, 2, 0, 59);
    if (!s) return false;
    second = *s;
    if (text.size() > 8) {
      if (text[8] != '.' || text.size() == 9 || text.size() > 15) return false;
      fraction = text.substr(9);
      if (fraction.find_first_not_of("0123456789") != std::string::npos) return false;
    }
  }
  fraction.resize(6, '0');
  r->hour = static_cast<std::uint8_t>(*h);
  r->minute = static_cast<std::uint8_t>(*m);
  r->second = static_cast<std::uint8_t>(second);
  r->hundredths = static_cast<std::uint8_t>(std::stoi(fraction.substr(0, 2)));
  r->tenThousandths = static_cast<std::uint8_t>(std::stoi(fraction.substr(2, 2)));
  r->millionths = static_cast<std::uint8_t>(std::stoi(fraction.substr(4, 2)));
  return true;
}

std::string ZoneWordText(std::uint16_t word) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", word);
  return text;
}

// The current time in UTC and in the local zone, whose offset is empty (null) when it is unknown.
int Now() {
  TimeRecord now{};
  if (GetTimeRecord(&now) != 1) return Fail(kExitNone, "the system clock cannot be read");
  char utc[30], local[30];
  FormatTimestamp(utc, &now, 0);
  FormatTimestamp(local, &now, 1);
  const int offset = LocalZoneOffset();
  Records records({"clock", "timestamp", "zone minutes"});
  records.Add({"utc", utc, 0});
  records.Add({"local", local, offset == kUnknownZoneOffset ? Json() : Json(offset)});
  records.Print();
  return kExitOk;
}

int Convert(const ConvertRequest& r) {
  TimeRecord in{};
  if (!ParseDate(r.date, &in))
    return Fail(kExitUsage, "not a date of the form YYYY-MM-DD (year 1-9999): " + r.date);
  // The library's calendar: every fourth year is a leap year, centuries included.
  if (const int days = DaysInMonth(in.month, in.year); in.day > days)
    return Fail(kExitUsage, "no such date: " + r.date + " (month " + std::to_string(in.month) + " of " +
                                std::to_string(in.year) + " has " + std::to_string(days) + " days)");
  if (r.time && !ParseTime(*r.time, &in))
    return Fail(kExitUsage, "not a time of the form HH:MM[:SS[.FFFFFF]]: " + *r.time);
  if (r.from) in.zone = ZoneWord(static_cast<int>(*r.from));

  TimeRecord out{};
  ConvertTimeZone(&out, &in, static_cast<int>(r.to));
  char before[30], after[30];
  FormatTimestamp(before, &in, 0);
  if (FormatTimestamp(after, &out, 0) != 1)
    return Fail(kExitNone, std::string("the result lies outside the years 1 to 9999 (") + before +
                               " moved to " + std::to_string(r.to) + " minutes)");
  Records records({"record", "timestamp", "zone word"});
  records.Add({"from", before, ZoneWordText(in.zone)});
  records.Add({"to", after, ZoneWordText(out.zone)});
  records.Print();
  return kExitOk;
}

int Zones() {
  Records records({"offset", "abbreviation", "name"});
  for (const ZoneNameEntry& z : ZoneNameTable)
    records.Add({z.offset, std::string(z.abbreviation, strnlen(z.abbreviation, sizeof z.abbreviation)),
                 std::string(z.name, strnlen(z.name, sizeof z.name))});
  records.Print();
  return kExitOk;
}

const Registration kTimeCommands{[](CLI::App& tool) {
  CLI::App* group = AddCommand(tool, "time", "time records");
  CLI::App* now = AddCommand(*group, "now",
                             "print the current time in UTC and in the local zone, with the local zone's "
                             "offset in minutes east of UTC (empty when unknown; the time then shows +0000)",
                             Now);
  AddJsonFlag(*now);
  AddExamples(*now, {"lumenrt time now", "lumenrt time now --json"});
  auto r = std::make_shared<ConvertRequest>();
  CLI::App* convert =
      AddCommand(*group, "convert",
                 "print a date and time (from) and the same moment at another zone offset in minutes east "
                 "of UTC (to), with their zone words; exit 1 when that lies outside the years 1 to 9999",
                 [r] { return Convert(*r); });
  convert->add_option("--date", r->date, "the date (every fourth year is a leap year, 1900 included)")
      ->type_name("YYYY-MM-DD")
      ->required();
  convert
      ->add_option_function<std::string>(
          "--time", [r](const std::string& t) { r->time = t; }, "the time of day (default 00:00)")
      ->type_name("HH:MM[:SS[.FFFFFF]]");
  convert
      ->add_option_function<std::string>(
          "--from", [r](const std::string& t) { r->from = ParseInteger(t, -1440, 1440); },
          "the zone offset of the given time (default: none)")
      ->type_name("MINUTES")
      ->check(IntegerCheck(-1440, 1440, "--from must be a number of minutes from -1440 to 1440: {}"));
  convert
      ->add_option_function<std::string>(
          "--to", [r](const std::string& t) { r->to = *ParseInteger(t, -1440, 1440); },
          "the zone offset wanted")
      ->type_name("MINUTES")
      ->required()
      ->check(IntegerCheck(-1440, 1440, "--to must be a number of minutes from -1440 to 1440: {}"));
  AddJsonFlag(*convert);
  AddExamples(*convert,
              {"lumenrt time convert --date 2026-12-31 --time 23:30 --to 60",
               "lumenrt time convert --date 2024-02-29 --time 23:59:59.5 --from 60 --to -300 --json"});
  CLI::App* zones = AddCommand(*group, "zones",
                               "print the table of named zones: offset (minutes), abbreviation, name", Zones);
  AddJsonFlag(*zones);
  AddExamples(*zones, {"lumenrt time zones", "lumenrt time zones --json"});
}};

}  // namespace
}  // namespace lumenrt::tool
