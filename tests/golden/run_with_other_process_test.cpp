// A letter run on the sample installation while another process changes the receipts file:
// whatever another program wrote before a unit's turn is in that unit's letter, even though the
// run's reads share read snapshots between writes.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mailing/letter_mailing.h"
#include "mailing/merge_data.h"
#include "platform/services.h"
#include "recman/btrcall.h"
#include "recman/status.h"
#include "startup/session.h"
#include "storage/file_table.h"
#include "support/child_process.h"
#include "support/sample_installation.h"
#include "support/sample_root.h"

namespace zem {
namespace {

// One letter as the run left it: the unit it was for and its merge data file, read back from
// the disk once written.
struct Letter {
  std::string unit;
  std::string merge_data;
  bool operator==(const Letter&) const = default;
};

class MergeFileWatch : public platform::RewrittenFile {
 public:
  MergeFileWatch(std::unique_ptr<platform::RewrittenFile> file, std::string host_path,
                 std::function<void(const std::string&)> written)
      : file_(std::move(file)), host_path_(std::move(host_path)), written_(std::move(written)) {}
  bool Rewrite(std::string_view bytes) override {
    const bool ok = file_->Rewrite(bytes);
    written_(testing::ReadAll(host_path_));
    return ok;
  }
  bool Close() override { return file_->Close(); }

 private:
  std::unique_ptr<platform::RewrittenFile> file_;
  std::string host_path_;
  std::function<void(const std::string&)> written_;
};

// The host file system, telling of every letter once its merge data file is written.
class WatchedFiles : public platform::HostFileSystem {
 public:
  explicit WatchedFiles(std::function<void(const Letter&)> written)
      : written_(std::move(written)) {}
  std::unique_ptr<platform::RewrittenFile> OpenRewritten(const std::string& path) override {
    auto file = platform::HostFileSystem::OpenRewritten(path);
    if (file == nullptr || path != MergeDataPath()) return file;
    return std::make_unique<MergeFileWatch>(
        std::move(file), HostPath(path), [this](const std::string& bytes) {
          written_({RecordArea(kUnitsFileId).substr(0, 4), bytes});
        });
  }

 private:
  std::function<void(const Letter&)> written_;
};

// The receipts file of the installation, opened by the child with the record manager itself.
struct ReceiptsFile {
  std::array<uint8_t, 128> block{};
  std::array<uint8_t, 1536> data{};
  std::array<uint8_t, 256> key{};
  uint32_t length = 0;

  int16_t Call(uint16_t operation, uint32_t offered = 1536) {
    length = offered;
    return BTRCALL(operation, block.data(), data.data(), &length, key.data(), 255, 0);
  }
  int16_t Open(const std::string& path) {
    key.fill(0);
    std::memcpy(key.data(), path.data(), path.size());
    return Call(recman::kOpOpen, 0);
  }
  // Adds a cent to the first receipt of `unit` that a "T" run selects.
  int16_t RaiseFirstOutstanding(const std::string& unit) {
    key.fill(0);
    std::memcpy(key.data(), unit.data(), unit.size());
    for (int16_t s = Call(recman::kOpGetGreaterOrEqual); s == 0; s = Call(recman::kOpGetNext)) {
      if (std::memcmp(data.data(), unit.data(), 4) != 0) break;
      if (data[17] != 'P' && data[17] != 'D') continue;
      uint32_t amount = 0;
      std::memcpy(&amount, data.data() + 13, 4);
      ++amount;
      std::memcpy(data.data() + 13, &amount, 4);
      return Call(recman::kOpUpdate, length);
    }
    return recman::kEndOfFile;
  }
};

class RunWithOtherProcessTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { root_ = new testing::SampleRoot("zem_run_processes"); }
  static void TearDownTestSuite() {
    delete root_;
    root_ = nullptr;
  }

  // One whole run of the sample's Catalan letters; `after_first` runs once the first letter
  // is written.
  std::vector<Letter> Run(const std::function<void()>& after_first = {}) {
    std::vector<Letter> letters;
    testing::SampleInstallation installation(root_->path().string());
    EXPECT_EQ(installation.problem(), "");
    WatchedFiles files([&](const Letter& letter) {
      letters.push_back(letter);
      if (letters.size() == 1 && after_first) after_first();
    });
    platform::Current().files = &files;
    Mailing().TemplateName = "RECCAT";
    EXPECT_TRUE(RunOneMailing());
    platform::Current().files = &installation.host.files;
    return letters;
  }

  static testing::SampleRoot* root_;
};

testing::SampleRoot* RunWithOtherProcessTest::root_ = nullptr;

TEST_F(RunWithOtherProcessTest, ALaterUnitSeesAReceiptChangedDuringTheRun) {
  ASSERT_TRUE(root_->built()) << "scripts/make_sample.sh failed (is vakdata built?)";
  const std::vector<Letter> before = Run();
  ASSERT_GE(before.size(), 2u);
  const std::string changed_unit = before.back().unit;
  ASSERT_NE(changed_unit, before.front().unit);
  const std::string receipts = (root_->path() / "DADES" / "CobramV.dat").string();

  testing::Child child([&](auto report, auto await) {
    ReceiptsFile file;
    int16_t status = file.Open(receipts);
    report(static_cast<char>('0' + status));
    await();
    if (status == 0) status = file.RaiseFirstOutstanding(changed_unit);
    report(static_cast<char>('0' + status));
  });
  ASSERT_TRUE(child.started());
  ASSERT_EQ(child.Read(), '0');
  char changed = 0;
  const std::vector<Letter> during = Run([&] {
    child.Go();
    changed = child.Read();
  });
  ASSERT_EQ(changed, '0');  // the other process's update had ended before the next unit
  child.Finish();
  const std::vector<Letter> after = Run();

  ASSERT_EQ(during.size(), before.size());
  EXPECT_EQ(during.front(), before.front());
  // Every letter after the change is what a run begun after it writes, the changed unit's
  // among them.
  EXPECT_TRUE(during == after);
  EXPECT_NE(during.back().merge_data, before.back().merge_data);
}

}  // namespace
}  // namespace zem
