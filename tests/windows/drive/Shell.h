#pragma once
// The shell beside the driver (run_under_wine.sh) is reached through files in the sync folder:
// "<name>.request" asks it for something (a screenshot, the line hung up, a late answer
// judged), "<name>.done" says it is done.

#include <string>

namespace drive {

// The folder the shell watches, as the command line named it.
extern std::string syncFolder;

// Asks the shell for something and waits until it is done; false when it never answers.
bool request(const std::string& name);

} // namespace drive
