//===- tests/support/temporary_folder.h - A folder for one test ---------===//

#ifndef VEXMOR_TESTS_SUPPORT_TEMPORARY_FOLDER_H
#define VEXMOR_TESTS_SUPPORT_TEMPORARY_FOLDER_H

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace vexmor::test {

/// A fresh folder under TMPDIR (or /tmp), removed with everything in it at
/// the end; Path is empty when it could not be made.
class TemporaryFolder {
public:
  explicit TemporaryFolder(const std::string &Prefix) {
    const char *Base = std::getenv("TMPDIR");
    std::string Template =
        std::string(Base && *Base ? Base : "/tmp") + "/" + Prefix + "-XXXXXX";
    if (mkdtemp(Template.data()))
      Path = Template;
  }
  ~TemporaryFolder() {
    if (!Path.empty())
      std::filesystem::remove_all(Path);
  }
  TemporaryFolder(const TemporaryFolder &) = delete;
  TemporaryFolder &operator=(const TemporaryFolder &) = delete;
  std::string Path;
};

} // namespace vexmor::test

#endif // VEXMOR_TESTS_SUPPORT_TEMPORARY_FOLDER_H
