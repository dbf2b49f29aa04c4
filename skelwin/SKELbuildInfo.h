// The build identity of Skelwin: texts fixed when the program is built (the source tag
// and revision, the build's date and time, and the build id), the four lines that print
// them above the usage text, and the release tag and version string derived from them.
// The values come from the build (see skelwin/CMakeLists.txt).
#pragma once

#include "COL/COLstring.h"

class COLostream;

// What buildId answers when the build has no id.
extern const char* const SKELdefaultBuildId;

// Always true: every build carries its identity.
bool buildInfoAvailable();
// The name of the source tag or branch that was built.
COLstring sourceTag();
// The build id, or DefaultText when the build has none.
COLstring buildId(const char* DefaultText);
// "Source Tag      : ", "Source Rev      : ", "Build DateTime  : " and "Build ID        : "
// lines with their values, then an empty line when TrailingNewline is set.
void printBuildInfo(COLostream& Stream, bool TrailingNewline);

// Prefix_Major_Minor_Patch, the form of a release build's tag.
COLstring releaseTag(const COLstring& Prefix, int Major, int Minor, int Patch);
bool matchesReleaseTag(const COLstring& Prefix, int Major, int Minor, int Patch,
                       const COLstring& Tag);
// Whether the source tag is the release tag of that version.
bool isReleaseBuild(const COLstring& Prefix, int Major, int Minor, int Patch);
// Major.Minor.Patch followed by "-release" when Tag is that version's release tag, else
// by "-snapshot"; the second form asks about the source tag.
COLstring buildVersionString(const COLstring& Prefix, int Major, int Minor, int Patch,
                             const COLstring& Tag);
COLstring buildVersionString(const COLstring& Prefix, int Major, int Minor, int Patch);
