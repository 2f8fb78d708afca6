// The SQLite store underneath the call interface: versions that tell a reader about changes.
#include "recman/file_store.h"

#include <functional>

#include "recman/file_definition.h"
#include "recman_fixture.h"

namespace recman::testing {
namespace {

TEST(RecmanFileStore, VersionChangesWithEveryCommittedWrite) {
  TempDir dir;
  const std::string path = dir.File("store.dat");
  FileDefinition definition;
  const auto block = MakeBlock(8, {{{1, 4, kSegModifiable}}});
  ASSERT_EQ(ParseCreationBlock(block.data(), block.size(), &definition), 0);
  ASSERT_EQ(FileStore::Create(path, definition, false), 0);
  EXPECT_EQ(FileStore::Create(path, definition, false), kFileExists);
  FileStore writer, reader;
  ASSERT_EQ(writer.Open(path, false), 0);
  ASSERT_EQ(reader.Open(path, true), 0);

  uint32_t position = 0;
  const auto record = [](const char* text) { return reinterpret_cast<const uint8_t*>(text); };
  struct Case {
    const char* name;
    std::function<int16_t()> write;
    bool changes;
  } cases[] = {
      {"insert", [&] { return writer.Insert(record("aaaa1234"), &position); }, true},
      {"refused insert",
       [&] { return writer.Insert(record("aaaa9999"), &position) == kDuplicateKey ? 0 : 1; },
       false},
      {"update", [&] { return writer.Update(position, record("bbbb1234")); }, true},
      {"update of a missing record",
       [&] { return writer.Update(999, record("cccc1234")) == kInvalidRecordPosition ? 0 : 1; },
       false},
      {"delete", [&] { return writer.Delete(position); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const StoreVersion reader_before = reader.Version();
    const StoreVersion writer_before = writer.Version();
    ASSERT_EQ(c.write(), 0);
    EXPECT_EQ(!(reader.Version() == reader_before), c.changes);
    EXPECT_EQ(!(writer.Version() == writer_before), c.changes);
  }
  // A read-only store refuses writes.
  EXPECT_EQ(reader.Insert(record("dddd1234"), &position), kAccessDenied);
}

}  // namespace
}  // namespace recman::testing
