// The build identity: the values the build wrote into SKELbuildValues.h, and their lines.
#include "skelwin/SKELbuildInfo.h"

#include "COL/COLostream.h"
#include "SKELbuildValues.h"

const char* const SKELdefaultBuildId = "n/a";

namespace {

const char* const SourceTag = SKEL_SOURCE_TAG;
const char* const SourceRevision = SKEL_SOURCE_REVISION;
const char* const BuildDateTime = SKEL_BUILD_DATE_TIME;
const char* const BuildId = SKEL_BUILD_ID;

}  // namespace

bool buildInfoAvailable() { return true; }

COLstring sourceTag() { return COLstring(SourceTag); }

COLstring buildId(const char* DefaultText) {
  return COLstring(*BuildId != '\0' ? BuildId : DefaultText);
}

void printBuildInfo(COLostream& Stream, bool TrailingNewline) {
  Stream << "Source Tag      : " << SourceTag << newline;
  Stream << "Source Rev      : " << SourceRevision << newline;
  Stream << "Build DateTime  : " << BuildDateTime << newline;
  Stream << "Build ID        : " << buildId(SKELdefaultBuildId) << newline;
  if (TrailingNewline) Stream << newline;
}

COLstring releaseTag(const COLstring& Prefix, int Major, int Minor, int Patch) {
  COLostreamString text;
  text << Prefix << "_" << Major << "_" << Minor << "_" << Patch;
  return text.string();
}

bool matchesReleaseTag(const COLstring& Prefix, int Major, int Minor, int Patch,
                       const COLstring& Tag) {
  return Tag == releaseTag(Prefix, Major, Minor, Patch);
}

bool isReleaseBuild(const COLstring& Prefix, int Major, int Minor, int Patch) {
  return matchesReleaseTag(Prefix, Major, Minor, Patch, sourceTag());
}

COLstring buildVersionString(const COLstring& Prefix, int Major, int Minor, int Patch,
                             const COLstring& Tag) {
  COLostreamString text;
  text << Major << "." << Minor << "." << Patch;
  text << (matchesReleaseTag(Prefix, Major, Minor, Patch, Tag) ? "-release" : "-snapshot");
  return text.string();
}

COLstring buildVersionString(const COLstring& Prefix, int Major, int Minor, int Patch) {
  return buildVersionString(Prefix, Major, Minor, Patch, sourceTag());
}
