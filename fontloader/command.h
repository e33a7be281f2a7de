// The loader's one-word command line.
#pragma once

#include <string>

namespace korvi::fonts {

enum class Job { kNone, kReinstall, kUnload, kCheckAndRepair, kTellLookupServer };

// Generation numbers of the two font sets.
inline constexpr int kCurrentSet = 10;
inline constexpr int kOlderSet = 9;

struct Command {
  Job job = Job::kNone;
  int generation = 0;
};

// The text after the program name, leading blanks removed, is compared with each
// key exactly and case-sensitively; anything else is Job::kNone.
Command ParseCommand(const std::u16string& commandLine);

}  // namespace korvi::fonts
