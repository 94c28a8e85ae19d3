#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/process_start.h"
#include "platform/shared_log_file.h"

namespace halvric {
namespace {

namespace fs = std::filesystem;

TEST(ProcessStart, CountsFromTheStartOfThisProcess) {
  const double first = SecondsSinceProcessStart();
  EXPECT_GE(first, 0.0);
  EXPECT_LT(first, 600.0) << "a test program that has run for ten minutes";
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_GT(SecondsSinceProcessStart(), first);
}

TEST(SharedLogFile, LinesOfSeveralWritersStayWhole) {
  const fs::path file = fs::temp_directory_path() / ("halvric-log-" + std::to_string(::getpid()));
  fs::remove(file);
  auto a = OpenSharedLogFile(file.string());
  auto b = OpenSharedLogFile(file.string());
  ASSERT_TRUE(a && b);
  const std::string line_a = std::string(300, 'a') + "\n";
  const std::string line_b = std::string(300, 'b') + "\n";
  std::thread ta([&] {
    for (int i = 0; i < 200; ++i) a->Append(line_a);
  });
  std::thread tb([&] {
    for (int i = 0; i < 200; ++i) b->Append(line_b);
  });
  ta.join();
  tb.join();
  std::ifstream in(file);
  std::string line;
  int count = 0;
  while (std::getline(in, line)) {
    ++count;
    EXPECT_TRUE(line + "\n" == line_a || line + "\n" == line_b) << "torn line " << count;
  }
  EXPECT_EQ(count, 400);
  // Appending keeps what is there.
  a = OpenSharedLogFile(file.string());
  a->Append("x\n");
  EXPECT_EQ(fs::file_size(file), 400 * 301 + 2);
  fs::remove(file);

  std::string reason;
  EXPECT_FALSE(OpenSharedLogFile((file / "below-a-file").string(), &reason));
  EXPECT_EQ(reason, "No such file or directory");
}

}  // namespace
}  // namespace halvric
