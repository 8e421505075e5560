// The three commands of visagen-cli over the shared pipeline; each returns
// the process exit status.
#pragma once

#include <string>

#include "CliOptions.h"

// Exit statuses.
constexpr int kCliSuccess = 0;
constexpr int kCliFailure = 1;
constexpr int kCliUsage = 2;

int RunCreate(const CliOptions& options, const std::string& defaultDataDir);
int RunFit(const CliOptions& options, const std::string& defaultDataDir);
int RunConvert(const CliOptions& options);
