#pragma once
// Path texts of the import: the module's settings path, the object name a
// terrain file gives, the sibling world file, and the host-safe object name.
// Paths may use backslashes or forward slashes as separators.
#include <cstddef>
#include <string>

// Cuts path after its last backslash or slash, else makes it empty: the
// directory part stays, with its trailing separator.
void StripFileName(char* path);
// True when the file can be opened for reading.
bool FileExists(const char* path);

// The settings file beside the module file moduleFile, into out[size]. Empty
// when the result would not fit.
void SettingsPathBesideModule(const char* moduleFile, char* out, std::size_t size);

// The object name of a terrain path: the part after the last backslash or
// slash (else after the first colon, else the whole path), cut at its first
// period, at most size - 1 characters. "D:\maps\alps.old.ter" gives "alps".
void ObjectNameFromPath(const char* terrainPath, char* out, std::size_t size);

// The world file looked for beside a terrain: the path cut at its last period
// with ".tgw" appended; empty when the path has no period.
std::string SiblingWorldPath(const char* terrainPath);

// The host-safe form of an object name: surrounding matching quotes removed,
// every character that is not an ASCII letter or digit made "_", and "_" put
// in front of a leading digit. out needs room for strlen(name) + 2 bytes.
void MakeHostSafeName(const char* name, char* out, std::size_t size);
