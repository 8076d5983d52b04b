// A command's answer as records, for people and for programs.
//
// Every command that prints records (rows of a table, the parts of a name, the result of a lookup)
// builds one `Records` with its column names and prints it once. For people the answer is a header
// line naming the columns, then one line per record, fields separated by tabs. With `--json`, which
// `AddJsonFlag` declares on the command, the same records are one JSON document on standard output:
// an array with one object per record, keyed by the column names (spaces become underscores, so
// "short name" is "short_name"); numbers stay numbers.
//
//   Records records({"type", "short name"});
//   records.Add({1, "DES"});
//   records.Print();   // "type\tshort name\n1\tDES\n", or [{"type":1,"short_name":"DES"}]
//
// A command whose answer is not a table (a report with nested parts) prints its own document with
// `PrintJson` when `JsonWanted()`.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

namespace lumenrt::tool {

// JSON values that keep their members in the order they were added (a record's, its columns').
using Json = nlohmann::ordered_json;

// Declares "--json" on `command`: print the answer as one JSON document.
void AddJsonFlag(CLI::App& command);

// Whether the command that runs was given --json.
bool JsonWanted();

// Prints `document` on standard output, indented, followed by a line end.
void PrintJson(const Json& document);

class Records {
 public:
  explicit Records(std::vector<std::string> columns);

  // One record: a field for each column, a text or a number.
  void Add(std::vector<Json> fields);

  // Prints the records on standard output, as text or, after --json, as JSON.
  void Print() const;

  // The records as the JSON array that Print writes.
  Json ToJson() const;

 private:
  std::vector<std::string> columns_;
  std::vector<std::vector<Json>> rows_;
};

// Ends the command's --help with its examples, one command line each, after the footer it already has
// (notes on the command's options).
void AddExamples(CLI::App& command, const std::vector<std::string>& examples);

}  // namespace lumenrt::tool
