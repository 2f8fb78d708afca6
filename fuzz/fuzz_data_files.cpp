// Damaged data files: whatever bytes of a data file are damaged, opening it and walking it
// along key 0 (as an export does) ends, and never visits a record twice. The input is a list
// of damages, each 4 bytes of offset (little-endian, taken modulo the file's size) and the byte
// written there, applied to a small data file of 24 records made at start-up.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "fuzz_check.h"
#include "platform/services.h"
#include "support/fake_services.h"
#include "tools/vakdata/data_file.h"
#include "tools/vakdata/key_description.h"

namespace {

std::string g_directory;
std::string g_pristine;

std::string DataPath() {
  return g_directory + "/F.dat";
}

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteHostFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void RemoveCompanions() {
  for (const char* suffix : {"-wal", "-shm", "-journal"}) unlink((DataPath() + suffix).c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static zem::platform::FakeServices services;
  static zem::platform::HostFileSystem host;
  static zem::platform::LibraryRecordManager library(&host);
  zem::platform::Current().files = &host;
  zem::platform::Current().records = &library;

  // One folder per fuzzing process, named by its id; a process that stopped at a finding
  // leaves its folder behind, so the folders of processes that are gone are removed first.
  // Each input writes a whole data file, so a memory-backed /dev/shm (when there is one and no
  // TMPDIR says otherwise) makes a run several times faster than a disk.
  const std::filesystem::path temp =
      std::getenv("TMPDIR") == nullptr && access("/dev/shm", W_OK) == 0
          ? std::filesystem::path("/dev/shm")
          : std::filesystem::temp_directory_path();
  for (const auto& entry : std::filesystem::directory_iterator(temp)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("zem-fuzz-data-", 0) != 0) continue;
    const pid_t owner = static_cast<pid_t>(std::atol(name.c_str() + 14));
    if (owner > 0 && kill(owner, 0) != 0 && errno == ESRCH) {
      std::error_code ignored;
      std::filesystem::remove_all(entry.path(), ignored);
    }
  }
  g_directory = (temp / ("zem-fuzz-data-" + std::to_string(getpid()))).string();
  std::filesystem::create_directories(g_directory);
  std::atexit([] { std::filesystem::remove_all(g_directory); });
  std::string block, error;
  if (!zem::vakdata::BuildCreationBlock("record 40\nkey 0: 1-2\nkey 1: 3-12 dup\n", &block,
                                        &error)) {
    std::abort();
  }
  zem::vakdata::DataFile file;
  const int16_t created = file.Create(DataPath(), block);
  const int16_t opened = file.Open(DataPath());
  if (created != 0 || opened != 0) {
    std::fprintf(stderr, "data file %s: create status %d, open status %d\n", DataPath().c_str(),
                 created, opened);
    std::abort();
  }
  for (int i = 0; i < 24; ++i) {
    std::string record(40, ' ');
    record[0] = static_cast<char>(128 + i / 10);
    record[1] = static_cast<char>(128 + i % 10);
    const std::string name = "name " + std::to_string(i % 5);  // duplicates on key 1
    record.replace(2, name.size(), name);
    if (file.Insert(record) != 0) std::abort();
  }
  file.Close();
  RemoveCompanions();
  g_pristine = ReadHostFile(DataPath());
  if (g_pristine.empty()) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string damaged = g_pristine;
  for (size_t i = 0; i + 5 <= size; i += 5) {
    uint32_t offset = 0;
    std::memcpy(&offset, data + i, 4);
    damaged[offset % damaged.size()] = static_cast<char>(data[i + 4]);
  }
  RemoveCompanions();
  WriteHostFile(DataPath(), damaged);

  zem::vakdata::DataFile file;
  if (file.Open(DataPath()) != 0) return 0;
  std::set<uint32_t> visited;
  std::string record;
  for (int16_t status = file.First(&record); status == 0; status = file.Next(&record)) {
    const uint32_t position = file.Position();
    FUZZ_CHECK(visited.insert(position).second,
               "the walk comes back to the record at " + std::to_string(position));
  }
  file.Close();
  return 0;
}
