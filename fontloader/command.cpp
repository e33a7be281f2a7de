#include "command.h"

namespace korvi::fonts {

Command ParseCommand(const std::u16string& commandLine) {
  struct Key {
    const char16_t* text;
    Command command;
  };
  static const Key kKeys[] = {
      {u"i", {Job::kReinstall, kCurrentSet}},      {u"is", {Job::kReinstall, kCurrentSet}},
      {u"i9", {Job::kReinstall, kOlderSet}},       {u"is9", {Job::kReinstall, kOlderSet}},
      {u"u", {Job::kUnload, kCurrentSet}},         {u"u9", {Job::kUnload, kOlderSet}},
      {u"f", {Job::kCheckAndRepair, kCurrentSet}}, {u"f9", {Job::kCheckAndRepair, kOlderSet}},
      {u"qwsa", {Job::kTellLookupServer, 0}},
  };
  size_t start = commandLine.find_first_not_of(u" \t");
  std::u16string text = start == std::u16string::npos ? u"" : commandLine.substr(start);
  for (const Key& key : kKeys) {
    if (text == key.text) {
      return key.command;
    }
  }
  return {};
}

}  // namespace korvi::fonts
