// SPDX-License-Identifier: MIT
#pragma once

// Why a file could not be opened, read or written, in the program's language and with
// what to do about it: the system's own texts are English, and say nothing of a remedy.

#include <string>
#include <system_error>

namespace extcalc::building {

enum class FileUse { Read, Write };

std::string describeFileError(std::error_code error, FileUse use);

}  // namespace extcalc::building
