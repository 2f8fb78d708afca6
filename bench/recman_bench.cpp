// The record manager against bare SQLite on a file of one million receipt-like records:
// Get Next along key 0 against stepping a prepared statement, and Get Greater or Equal with
// random keys against one indexed lookup, all in this process on the same table.
//
// The file is built once (it takes a while) in the system's temporary directory and reused
// by later runs while it is complete.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "recman/btrcall.h"
#include "recman/file_definition.h"
#include "recman/key_codec.h"
#include "recman/status.h"

namespace {

constexpr int kRecords = 1000000;
constexpr int kLength = 120;
constexpr int kKeyLength = 13;  // unit code (7), date (4), sequence (2, binary)

std::string DataPath() {
  const auto dir = std::filesystem::temp_directory_path() / "recman_bench";
  std::filesystem::create_directories(dir);
  return (dir / "receipts.dat").string();
}

std::vector<uint8_t> ReceiptBlock() {
  std::vector<uint8_t> block(16 + 3 * 16, 0);
  auto put16 = [&](size_t at, int v) {
    block[at] = static_cast<uint8_t>(v);
    block[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  put16(0, kLength);
  put16(2, 4096);
  put16(4, 1);
  const int segments[3][3] = {{1, 7, recman::kSegDuplicates | recman::kSegNextFollows},
                              {8, 4, recman::kSegDuplicates | recman::kSegNextFollows},
                              {12, 2, recman::kSegDuplicates | recman::kSegBinary}};
  for (int s = 0; s < 3; ++s) {
    put16(16 + 16 * s, segments[s][0]);
    put16(16 + 16 * s + 2, segments[s][1]);
    put16(16 + 16 * s + 4, segments[s][2]);
  }
  return block;
}

// Receipt n: 20000 units of 50 receipts each, monthly dates, a sequence number.
std::string Receipt(int n) {
  std::string record(kLength, ' ');
  char unit[16];
  std::snprintf(unit, sizeof unit, "%07d", n / 50);
  record.replace(0, 7, unit);
  const int month = n % 50;
  record[7] = static_cast<char>(0x80 + 20);
  record[8] = static_cast<char>(0x80 + 20 + month / 12);
  record[9] = static_cast<char>(0x80 + 1 + month % 12);
  record[10] = static_cast<char>(0x80 + 1);
  record[11] = static_cast<char>(n & 0xff);
  record[12] = static_cast<char>((n >> 8) & 0xff);
  char rest[64];
  std::snprintf(rest, sizeof rest, "RECEIPT %09d AMOUNT %012d STATE P", n, (n * 37) % 100000);
  record.replace(20, std::strlen(rest), rest);
  return record;
}

struct Client {
  std::array<uint8_t, 128> block{};
  std::vector<uint8_t> data = std::vector<uint8_t>(1536, ' ');
  std::array<uint8_t, 256> key{};
  uint32_t length = 0;
  int16_t Call(uint16_t op, int8_t key_number, uint8_t key_length) {
    return BTRCALL(op, block.data(), data.data(), &length, key.data(), key_length, key_number);
  }
};

bool FileComplete(const std::string& path) {
  Client client;
  std::strcpy(reinterpret_cast<char*>(client.key.data()), path.c_str());
  client.length = 0;
  if (client.Call(recman::kOpOpen, 0, 255) != 0) return false;
  client.length = 1536;
  const bool complete = client.Call(recman::kOpStat, 0, 255) == 0 &&
                        recman::ReadU32(client.data.data() + 6) == kRecords;
  client.Call(recman::kOpClose, 0, 0);
  return complete;
}

void BuildFile(const std::string& path) {
  if (FileComplete(path)) return;
  std::fprintf(stderr, "building %s with %d records...\n", path.c_str(), kRecords);
  Client client;
  const auto block = ReceiptBlock();
  std::memcpy(client.data.data(), block.data(), block.size());
  std::strcpy(reinterpret_cast<char*>(client.key.data()), path.c_str());
  client.length = static_cast<uint32_t>(block.size());
  if (client.Call(recman::kOpCreate, 0, 255) != 0) std::abort();
  client.length = 0;
  if (client.Call(recman::kOpOpen, recman::kModeExclusive, 255) != 0) std::abort();
  // Inserted in a shuffled order, as receipts arrive over time.
  std::vector<int> order(kRecords);
  for (int i = 0; i < kRecords; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(1));
  for (int n : order) {
    const std::string record = Receipt(n);
    std::memcpy(client.data.data(), record.data(), kLength);
    client.length = kLength;
    if (client.Call(recman::kOpInsert, 0, 0) != 0) std::abort();
  }
  client.Call(recman::kOpClose, 0, 0);
}

const std::string& Path() {
  static const std::string path = [] {
    std::string p = DataPath();
    BuildFile(p);
    return p;
  }();
  return path;
}

void BM_GetNext_Recman(benchmark::State& state) {
  Client client;
  std::strcpy(reinterpret_cast<char*>(client.key.data()), Path().c_str());
  client.length = 0;
  if (client.Call(recman::kOpOpen, 0, 255) != 0) state.SkipWithError("open");
  client.length = 1536;
  client.Call(recman::kOpGetFirst, 0, kKeyLength);
  for (auto _ : state) {
    client.length = 1536;
    if (client.Call(recman::kOpGetNext, 0, kKeyLength) != 0) {
      client.length = 1536;
      client.Call(recman::kOpGetFirst, 0, kKeyLength);
    }
    benchmark::DoNotOptimize(client.data.data());
  }
  client.Call(recman::kOpClose, 0, 0);
}

struct Bare {
  sqlite3* db = nullptr;
  sqlite3_stmt* statement = nullptr;
  Bare(const char* sql) {
    sqlite3_open_v2(Path().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
  }
  ~Bare() {
    sqlite3_finalize(statement);
    sqlite3_close(db);
  }
};

void BM_GetNext_BareSqlite(benchmark::State& state) {
  Bare bare("SELECT pos, data, k0 FROM records ORDER BY k0, pos");
  std::vector<uint8_t> data(1536);
  std::array<uint8_t, 256> key{};
  for (auto _ : state) {
    if (sqlite3_step(bare.statement) != SQLITE_ROW) {
      sqlite3_reset(bare.statement);
      sqlite3_step(bare.statement);
    }
    std::memcpy(data.data(), sqlite3_column_blob(bare.statement, 1),
                sqlite3_column_bytes(bare.statement, 1));
    std::memcpy(key.data(), sqlite3_column_blob(bare.statement, 2),
                sqlite3_column_bytes(bare.statement, 2));
    benchmark::DoNotOptimize(data.data());
  }
}

// Random search keys: a unit code and a date, without the sequence.
std::vector<std::string> SearchKeys() {
  std::mt19937 random(5);
  std::vector<std::string> keys;
  for (int i = 0; i < 4096; ++i) {
    std::string key = Receipt(static_cast<int>(random() % kRecords)).substr(0, kKeyLength);
    key[11] = key[12] = 0;
    keys.push_back(key);
  }
  return keys;
}

void BM_GetGreaterOrEqual_Recman(benchmark::State& state) {
  Client client;
  std::strcpy(reinterpret_cast<char*>(client.key.data()), Path().c_str());
  client.length = 0;
  if (client.Call(recman::kOpOpen, 0, 255) != 0) state.SkipWithError("open");
  const auto keys = SearchKeys();
  size_t i = 0;
  for (auto _ : state) {
    const std::string& key = keys[i++ % keys.size()];
    std::memcpy(client.key.data(), key.data(), kKeyLength);
    client.length = 1536;
    if (client.Call(recman::kOpGetGreaterOrEqual, 0, kKeyLength) != 0) {
      state.SkipWithError("get");
    }
    benchmark::DoNotOptimize(client.data.data());
  }
  client.Call(recman::kOpClose, 0, 0);
}

void BM_GetGreaterOrEqual_BareSqlite(benchmark::State& state) {
  Bare bare("SELECT pos, data, k0 FROM records WHERE k0 >= ?1 ORDER BY k0, pos LIMIT 1");
  recman::FileDefinition definition;
  const auto block = ReceiptBlock();
  recman::ParseCreationBlock(block.data(), block.size(), &definition);
  std::vector<std::string> comparable;
  for (const auto& key : SearchKeys())
    comparable.push_back(recman::ComparableKey(definition, 0, key));
  std::vector<uint8_t> data(1536);
  size_t i = 0;
  for (auto _ : state) {
    const std::string& key = comparable[i++ % comparable.size()];
    sqlite3_bind_blob(bare.statement, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    if (sqlite3_step(bare.statement) != SQLITE_ROW) state.SkipWithError("get");
    std::memcpy(data.data(), sqlite3_column_blob(bare.statement, 1),
                sqlite3_column_bytes(bare.statement, 1));
    sqlite3_reset(bare.statement);
    benchmark::DoNotOptimize(data.data());
  }
}

BENCHMARK(BM_GetNext_Recman);
BENCHMARK(BM_GetNext_BareSqlite);
BENCHMARK(BM_GetGreaterOrEqual_Recman);
BENCHMARK(BM_GetGreaterOrEqual_BareSqlite);

// Prints, after the usual table, each record manager figure as a share of the bare speed.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      times_[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const char* name : {"BM_GetNext", "BM_GetGreaterOrEqual"}) {
      const auto ours = times_.find(std::string(name) + "_Recman");
      const auto bare = times_.find(std::string(name) + "_BareSqlite");
      if (ours == times_.end() || bare == times_.end()) continue;
      if (ours->second.first <= 0 || ours->second.second <= 0) continue;
      std::printf("%s: record manager at %.2f of the bare SQLite speed (%.2f by CPU time)\n", name,
                  bare->second.first / ours->second.first,
                  bare->second.second / ours->second.second);
    }
  }

 private:
  std::map<std::string, std::pair<double, double>> times_;  // real, CPU
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Path();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
