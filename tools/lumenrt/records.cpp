// Records printed as tab-separated lines under a header, or as JSON.
#include "records.h"

#include <iostream>
#include <stdexcept>

namespace lumenrt::tool {
namespace {

bool& JsonFlag() {
  static bool json = false;
  return json;
}

std::string Key(std::string column) {
  for (char& c : column)
    if (c == ' ') c = '_';
  return column;
}

std::string Text(const Json& field) {
  if (field.is_string()) return field.get<std::string>();
  if (field.is_null()) return {};
  return field.dump();
}

}  // namespace

void AddJsonFlag(CLI::App& command) {
  command.add_flag("--json", JsonFlag(), "print the answer as one JSON document");
}

bool JsonWanted() { return JsonFlag(); }

void PrintJson(const Json& document) {
  // Texts the library hands out are bytes, not always UTF-8: invalid sequences are replaced.
  std::cout << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

Records::Records(std::vector<std::string> columns) : columns_(std::move(columns)) {}

void Records::Add(std::vector<Json> fields) {
  if (fields.size() != columns_.size()) throw std::logic_error("a record needs one field per column");
  rows_.push_back(std::move(fields));
}

Json Records::ToJson() const {
  Json array = Json::array();
  for (const auto& row : rows_) {
    Json object = Json::object();
    for (size_t i = 0; i < columns_.size(); ++i) object[Key(columns_[i])] = row[i];
    array.push_back(std::move(object));
  }
  return array;
}

void Records::Print() const {
  if (JsonWanted()) {
    PrintJson(ToJson());
    return;
  }
  auto line = [](const auto& fields, auto text) {
    for (size_t i = 0; i < fields.size(); ++i) std::cout << (i ? "\t" : "") << text(fields[i]);
    std::cout << '\n';
  };
  line(columns_, [](const std::string& c) { return c; });
  for (const auto& row : rows_) line(row, Text);
}

void AddExamples(CLI::App& command, const std::vector<std::string>& examples) {
  std::string footer = command.get_footer();
  footer += footer.empty() ? "" : "\n\n";
  footer += examples.size() == 1 ? "example:" : "examples:";
  for (const std::string& e : examples) footer += "\n  " + e;
  command.footer(footer);
}

}  // namespace lumenrt::tool
