// The example product, built from its project file with the builder library, installs under
// Wine: its settings read without error and every file is taken in order.
#include <string>
#include <vector>

#include "builder/project_file.h"
#include "harness_win.h"

namespace qs::systest {
namespace {

class ExampleTest : public SystemTest {};

TEST_F(ExampleTest, BuiltExampleRunsSilently) {
  builder::Project project;
  std::string error;
  ASSERT_TRUE(
      builder::LoadProject(SourcePath("examples/hello/hello.toml").string(), project, error))
      << error;
  std::vector<uint8_t> installer;
  ASSERT_TRUE(builder::BuildInstaller(project, StubBytes(), installer, error)) << error;

  RunResult result = RunInstaller(installer, L"/a");
  EXPECT_EQ(result.exitCode, 1u) << result;
  EXPECT_TRUE(result.MessageTexts().empty()) << result;
  std::vector<std::string> names;
  for (const builder::PayloadFile& file : project.files) names.push_back(file.name);
  EXPECT_EQ(result.Items(), names) << result;
}

}  // namespace
}  // namespace qs::systest
