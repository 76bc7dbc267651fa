// tests/win/support/TestFiles.h
// Real files for the tests: whole-file reads and writes, folder listings, scratch folders.
#pragma once

#include <string>
#include <vector>

// The folder of this test program, with a trailing "\".
std::string ExeFolder();
// The file's bytes; empty when it cannot be read. Others may hold it open meanwhile.
std::string ReadAll(const std::string& path);
// Creates or replaces the file with these bytes; false when that fails.
bool WriteAll(const std::string& path, const std::string& bytes);
// The names of the files (not folders) matching folder + pattern, sorted.
std::vector<std::string> FilesIn(const std::string& folder, const std::string& pattern = "*");
// A folder under the temporary folder (made with its parents, emptied of files), with a
// trailing "\".
std::string Scratch(const std::string& relative);
