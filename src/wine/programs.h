#pragma once

#include <string>

// Finding the programs that may start the game under Wine.
namespace zerlin::wine {

// The path names a regular file (after following links) that this user may execute.
bool isProgram(const std::string& path);

// The first folder of pathVariable (a PATH value: folders separated by ':') that holds an
// executable regular file named program; its full path, or the empty text. Relative and empty
// entries are passed over: they would depend on the working folder.
std::string findProgramOnPath(const std::string& program, const std::string& pathVariable);

}  // namespace zerlin::wine
