#include "file_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "key_codec.h"
#include "status.h"

namespace recman {
namespace {

constexpr int kFormatVersion = 1;
// How long a write waits for another process's write to finish before reporting 85.
constexpr int kBusyTimeoutMs = 1500;
// The counter row holding the number of records; rows 0.. hold a key's distinct values.
constexpr int kRecordsCounter = -1;

std::string KeyColumn(int key) {
  return "k" + std::to_string(key);
}

bool Exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

void RemoveDatabaseFiles(const std::string& path) {
  ::unlink(path.c_str());
  ::unlink((path + "-wal").c_str());
  ::unlink((path + "-shm").c_str());
  ::unlink((path + "-journal").c_str());
}

bool Writable(const std::string& path) {
  return ::access(path.c_str(), W_OK) == 0;
}

// An SQLite file name URI for `path`, reading the file as it stands: no locks, no log files.
std::string ImmutableUri(const std::string& path) {
  std::string uri = "file:";
  for (unsigned char c : path) {
    if (c == '%' || c == '?' || c == '#' || c < 0x21 || c > 0x7e) {
      static const char kHex[] = "0123456789abcdef";
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    } else {
      uri += static_cast<char>(c);
    }
  }
  return uri + "?immutable=1";
}

int ExecAll(sqlite3* db, const std::string& sql) {
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

std::string SchemaFor(const FileDefinition& definition) {
  std::string sql =
      "CREATE TABLE recman_definition(id INTEGER PRIMARY KEY CHECK (id = 1),"
      " format INTEGER NOT NULL, block BLOB NOT NULL);"
      "CREATE TABLE recman_counts(key INTEGER PRIMARY KEY, n INTEGER NOT NULL);"
      "CREATE TABLE records(pos INTEGER PRIMARY KEY AUTOINCREMENT, data BLOB NOT NULL";
  for (size_t k = 0; k < definition.keys.size(); ++k) {
    sql += ", " + KeyColumn(static_cast<int>(k)) + " BLOB NOT NULL";
  }
  sql += ");";
  for (size_t k = 0; k < definition.keys.size(); ++k) {
    const std::string column = KeyColumn(static_cast<int>(k));
    sql += std::string("CREATE ") + (definition.keys[k].duplicates ? "" : "UNIQUE ") +
           "INDEX records_" + column + " ON records(" + column + ");";
  }
  sql += "INSERT INTO recman_counts VALUES(" + std::to_string(kRecordsCounter) + ", 0);";
  for (size_t k = 0; k < definition.keys.size(); ++k) {
    sql += "INSERT INTO recman_counts VALUES(" + std::to_string(k) + ", 0);";
  }
  return sql;
}

}  // namespace

FileStore::~FileStore() {
  Close();
}

int16_t FileStore::Create(const std::string& path, const FileDefinition& definition,
                          bool overwrite) {
  if (!overwrite && Exists(path)) return kFileExists;
  const std::string temporary = path + ".new-" + std::to_string(::getpid());
  RemoveDatabaseFiles(temporary);

  sqlite3* db = nullptr;
  int rc =
      sqlite3_open_v2(temporary.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc == SQLITE_OK) rc = ExecAll(db, "PRAGMA journal_mode=WAL");
  if (rc == SQLITE_OK) rc = ExecAll(db, "BEGIN; " + SchemaFor(definition));
  if (rc == SQLITE_OK) {
    sqlite3_stmt* insert = nullptr;
    rc = sqlite3_prepare_v2(db, "INSERT INTO recman_definition VALUES(1, ?1, ?2)", -1, &insert,
                            nullptr);
    if (rc == SQLITE_OK) {
      sqlite3_bind_int(insert, 1, kFormatVersion);
      sqlite3_bind_blob(insert, 2, definition.block.data(),
                        static_cast<int>(definition.block.size()), SQLITE_TRANSIENT);
      rc = sqlite3_step(insert) == SQLITE_DONE ? SQLITE_OK : SQLITE_ERROR;
    }
    sqlite3_finalize(insert);
  }
  if (rc == SQLITE_OK) rc = ExecAll(db, "COMMIT");
  // Closing the only connection folds the log into the database file and removes it.
  if (sqlite3_close(db) != SQLITE_OK && rc == SQLITE_OK) rc = SQLITE_ERROR;
  if (rc != SQLITE_OK) {
    RemoveDatabaseFiles(temporary);
    return kIoError;
  }

  if (overwrite) {
    RemoveDatabaseFiles(path);
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
      RemoveDatabaseFiles(temporary);
      return kIoError;
    }
    return kOk;
  }
  // A log left by a file of the same name that was removed must not be replayed into ours.
  if (!Exists(path)) {
    ::unlink((path + "-wal").c_str());
    ::unlink((path + "-shm").c_str());
  }
  // link() refuses to replace a file that appeared meanwhile. Where the file system has no
  // links, a rename after a last look has to do.
  int16_t status = kOk;
  if (::link(temporary.c_str(), path.c_str()) != 0) {
    if (errno == EEXIST || Exists(path)) {
      status = kFileExists;
    } else if (::rename(temporary.c_str(), path.c_str()) != 0) {
      status = kIoError;
    }
  }
  RemoveDatabaseFiles(temporary);
  return status;
}

int16_t FileStore::Open(const std::string& path, bool read_only) {
  Close();
  if (!Exists(path)) return kFileNotFound;
  read_only_ = read_only;
  found_log_files_ = Exists(path + "-wal") || Exists(path + "-shm");
  int16_t status = OpenDatabase(path, false);
  // A reader that may not make the shared-memory file next to a database no writer has open
  // (no log file) reads the database file as it stands.
  if (status == kIoError && read_only && !found_log_files_) status = OpenDatabase(path, true);
  if (status != kOk) return status;
  key_statements_.assign(definition_.keys.size() * kQueryCount, nullptr);
  fixed_statements_.assign(kFixedCount, nullptr);
  // Every statement the file needs is made now: a database without our tables and columns is
  // refused here rather than at some later call.
  for (int f = 0; f < kFixedCount; ++f) {
    if (Statement(static_cast<Fixed>(f)) == nullptr) {
      Close();
      return kIoError;
    }
  }
  return kOk;
}

int16_t FileStore::OpenDatabase(const std::string& path, bool immutable) {
  const int flags = (read_only_ ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                    SQLITE_OPEN_NOMUTEX | (immutable ? SQLITE_OPEN_URI : 0);
  if (sqlite3_open_v2(immutable ? ImmutableUri(path).c_str() : path.c_str(), &db_, flags,
                      nullptr) != SQLITE_OK) {
    Close();
    return kIoError;
  }
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  // In write-ahead-log mode NORMAL keeps the file consistent after any crash; a power cut may
  // lose the last changes, never damage earlier ones.
  if (!read_only_) ExecAll(db_, "PRAGMA synchronous=NORMAL");

  sqlite3_stmt* read = nullptr;
  int rc = sqlite3_prepare_v2(db_, "SELECT format, block FROM recman_definition WHERE id = 1", -1,
                              &read, nullptr);
  int16_t status = kIoError;
  if (rc == SQLITE_OK) {
    rc = sqlite3_step(read);
    if (rc == SQLITE_ROW && sqlite3_column_int(read, 0) == kFormatVersion) {
      const auto* block = static_cast<const uint8_t*>(sqlite3_column_blob(read, 1));
      const int size = sqlite3_column_bytes(read, 1);
      if (block != nullptr && ParseCreationBlock(block, size, &definition_) == kOk) status = kOk;
    }
  }
  if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) status = kFileLocked;
  sqlite3_finalize(read);
  if (status != kOk) Close();
  return status;
}

bool FileStore::HasUnwritableLogFiles(const std::string& path) {
  for (const char* suffix : {"-wal", "-shm"}) {
    if (Exists(path + suffix) && !Writable(path + suffix)) return true;
  }
  return false;
}

void FileStore::RemoveIdleLogFiles(const std::string& path) {
  struct stat log {};
  const std::string wal = path + "-wal";
  if (::stat(wal.c_str(), &log) == 0 && log.st_size > 0) return;
  ::unlink(wal.c_str());
  ::unlink((path + "-shm").c_str());
}

void FileStore::Close() {
  EndSnapshot();
  for (sqlite3_stmt* statement : key_statements_) sqlite3_finalize(statement);
  for (sqlite3_stmt* statement : fixed_statements_) sqlite3_finalize(statement);
  key_statements_.clear();
  fixed_statements_.clear();
  // Closing with a transaction open takes it back.
  if (db_ != nullptr) sqlite3_close(db_);
  db_ = nullptr;
  in_transaction_ = false;
  snapshot_ = false;
}

sqlite3_stmt* FileStore::PreparePersistent(const std::string& sql, sqlite3_stmt** slot) {
  if (sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, slot, nullptr) !=
      SQLITE_OK) {
    sqlite3_finalize(*slot);
    *slot = nullptr;
  }
  return *slot;
}

sqlite3_stmt* FileStore::Statement(Fixed which) {
  sqlite3_stmt*& slot = fixed_statements_[which];
  if (slot != nullptr) return slot;
  std::string sql;
  const int keys = static_cast<int>(definition_.keys.size());
  switch (which) {
    case kBegin:
      sql = "BEGIN IMMEDIATE";
      break;
    case kBeginRead:
      sql = "BEGIN DEFERRED";
      break;
    case kCommit:
      sql = "COMMIT";
      break;
    case kRollback:
      sql = "ROLLBACK";
      break;
    case kSavepoint:
      sql = "SAVEPOINT recman_write";
      break;
    case kRelease:
      sql = "RELEASE recman_write";
      break;
    case kRollbackTo:
      sql = "ROLLBACK TO recman_write";
      break;
    case kDataVersion:
      sql = "PRAGMA data_version";
      break;
    case kFetch:
      sql = "SELECT pos, data FROM records WHERE pos = ?1";
      break;
    case kInsert: {
      sql = "INSERT INTO records(data";
      std::string values = "?1";
      for (int k = 0; k < keys; ++k) {
        sql += ", " + KeyColumn(k);
        values += ", ?" + std::to_string(k + 2);
      }
      sql += ") VALUES(" + values + ")";
      break;
    }
    case kUpdate:
      sql = "UPDATE records SET data = ?1";
      for (int k = 0; k < keys; ++k) sql += ", " + KeyColumn(k) + " = ?" + std::to_string(k + 2);
      sql += " WHERE pos = ?" + std::to_string(keys + 2);
      break;
    case kDelete:
      sql = "DELETE FROM records WHERE pos = ?1";
      break;
    case kCountsQ:
      sql = "SELECT key, n FROM recman_counts";
      break;
    case kAddCount:
      sql = "UPDATE recman_counts SET n = n + ?2 WHERE key = ?1";
      break;
    case kFixedCount:
      return nullptr;
  }
  return PreparePersistent(sql, &slot);
}

sqlite3_stmt* FileStore::Statement(int key, Query query) {
  sqlite3_stmt*& slot = key_statements_[key * kQueryCount + query];
  if (slot != nullptr) return slot;
  const std::string k = KeyColumn(key);
  // Rows read along a key carry its stored column: the cursor steps by it.
  const std::string columns = "SELECT pos, data, " + k + " FROM records";
  const std::string select = columns + " WHERE ";
  const std::string up = " ORDER BY " + k + ", pos";
  const std::string down = " ORDER BY " + k + " DESC, pos DESC";
  std::string sql;
  switch (query) {
    // A lookup reads the record it reaches and, behind it, the ones a walk from it would
    // read next (?2 in all). The first record with an equal key is the first in key order
    // from it, so Get Equal uses the query of Get Greater or Equal and checks the key.
    case kGreaterOrEqualQ:
      sql = select + k + " >= ?1" + up + " LIMIT ?2";
      break;
    case kGreaterQ:
      sql = select + k + " > ?1" + up + " LIMIT ?2";
      break;
    case kLessQ:
      sql = select + k + " < ?1" + down + " LIMIT ?2";
      break;
    case kLessOrEqualQ:
      sql = select + k + " <= ?1" + down + " LIMIT ?2";
      break;
    case kFirstQ:
      sql = columns + up + " LIMIT ?2";
      break;
    case kLastQ:
      sql = columns + down + " LIMIT ?2";
      break;
    case kNextSameQ:
      sql = select + k + " = ?1 AND pos > ?2 ORDER BY pos LIMIT ?3";
      break;
    case kNextQ:
      sql = select + k + " > ?1" + up + " LIMIT ?3";
      break;
    case kPreviousSameQ:
      sql = select + k + " = ?1 AND pos < ?2 ORDER BY pos DESC LIMIT ?3";
      break;
    case kPreviousQ:
      sql = select + k + " < ?1" + down + " LIMIT ?3";
      break;
    case kOtherWithKeyQ:
      sql = "SELECT pos FROM records WHERE " + k + " = ?1 AND pos <> ?2 LIMIT 1";
      break;
    case kQueryCount:
      return nullptr;
  }
  return PreparePersistent(sql, &slot);
}

int16_t FileStore::StatusOf(int rc) const {
  switch (rc & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return kOk;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return kFileLocked;
    case SQLITE_CONSTRAINT:
      return kDuplicateKey;
    case SQLITE_READONLY:
      return kAccessDenied;
    default:
      return kIoError;
  }
}

StoreVersion FileStore::Version() {
  StoreVersion version;
  version.local = local_writes_;
  sqlite3_stmt* statement = Statement(kDataVersion);
  if (statement != nullptr && sqlite3_step(statement) == SQLITE_ROW) {
    version.external = sqlite3_column_int64(statement, 0);
  }
  sqlite3_reset(statement);
  return version;
}

int16_t FileStore::ReadRow(sqlite3_stmt* statement, int key, StoredRecord* out) {
  const sqlite3_int64 position = sqlite3_column_int64(statement, 0);
  const auto* data = static_cast<const char*>(sqlite3_column_blob(statement, 1));
  const int size = sqlite3_column_bytes(statement, 1);
  out->position = static_cast<uint32_t>(position);
  out->data.assign(data != nullptr ? data : "", static_cast<size_t>(size));
  // A record of another length is damage; it is served at the file's length.
  out->data.resize(definition_.record_length, '\0');
  out->key.clear();
  // Positions are given from 1 up and fit 32 bits; any other is damage, and would name no
  // record or another one.
  out->damaged = position < 1 || position > static_cast<sqlite3_int64>(UINT32_MAX);
  if (key >= 0) {
    const auto* stored = static_cast<const char*>(sqlite3_column_blob(statement, 2));
    out->key.assign(stored != nullptr ? stored : "",
                    static_cast<size_t>(sqlite3_column_bytes(statement, 2)));
    RecordComparableKey(definition_, key, reinterpret_cast<const uint8_t*>(out->data.data()),
                        &comparable_);
    out->damaged = out->damaged || out->key != comparable_;
  }
  return kOk;
}

int16_t FileStore::Fetch(uint32_t position, StoredRecord* out) {
  sqlite3_stmt* statement = Statement(kFetch);
  if (statement == nullptr) return kIoError;
  sqlite3_bind_int64(statement, 1, position);
  const int rc = sqlite3_step(statement);
  int16_t status = kInvalidRecordPosition;
  if (rc == SQLITE_ROW) {
    status = ReadRow(statement, -1, out);
  } else if (rc != SQLITE_DONE) {
    status = StatusOf(rc);
  }
  sqlite3_reset(statement);
  return status;
}

int16_t FileStore::Find(int key, Seek seek, const std::string& target, int ahead,
                        std::vector<StoredRecord>* out, size_t* count) {
  static constexpr Query kQueries[] = {
      kGreaterOrEqualQ, kGreaterQ, kGreaterOrEqualQ, kLessQ, kLessOrEqualQ, kFirstQ, kLastQ};
  size_t& n = *count;
  n = 0;
  sqlite3_stmt* statement = Statement(key, kQueries[static_cast<int>(seek)]);
  if (statement == nullptr) return kIoError;
  if (seek != Seek::kFirst && seek != Seek::kLast) {
    sqlite3_bind_blob(statement, 1, target.data(), static_cast<int>(target.size()), SQLITE_STATIC);
  }
  sqlite3_bind_int(statement, 2, 1 + std::max(ahead, 0));
  int rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    if (n == out->size()) out->emplace_back();
    ReadRow(statement, key, &(*out)[n++]);
  }
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  if (rc != SQLITE_DONE) {
    n = 0;
    return StatusOf(rc);
  }
  if (seek == Seek::kEqual && n > 0 && (*out)[0].key != target) n = 0;
  if (n == 0) return seek == Seek::kEqual ? kKeyNotFound : kEndOfFile;
  return kOk;
}

int16_t FileStore::Step(int key, bool forward, const std::string& current, uint32_t position,
                        int limit, std::vector<StoredRecord>* out, size_t* count) {
  size_t& n = *count;
  n = 0;
  const Query queries[2] = {forward ? kNextSameQ : kPreviousSameQ, forward ? kNextQ : kPreviousQ};
  // Records with the same key value only exist when the key allows duplicates.
  const int first = definition_.keys[key].duplicates ? 0 : 1;
  for (int q = first; q < 2 && static_cast<int>(n) < limit; ++q) {
    sqlite3_stmt* statement = Statement(key, queries[q]);
    if (statement == nullptr) return kIoError;
    sqlite3_bind_blob(statement, 1, current.data(), static_cast<int>(current.size()),
                      SQLITE_STATIC);
    if (q == 0) sqlite3_bind_int64(statement, 2, position);
    sqlite3_bind_int(statement, 3, limit - static_cast<int>(n));
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      if (n == out->size()) out->emplace_back();
      ReadRow(statement, key, &(*out)[n++]);
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (rc != SQLITE_DONE) {
      n = 0;
      return StatusOf(rc);
    }
  }
  return kOk;
}

int16_t FileStore::Run(Fixed which) {
  sqlite3_stmt* statement = Statement(which);
  if (statement == nullptr) return kIoError;
  const int rc = sqlite3_step(statement);
  sqlite3_reset(statement);
  const int16_t status = StatusOf(rc);
  if (status == kOk && rc != SQLITE_DONE) return kIoError;
  return status;
}

void FileStore::BeginSnapshot() {
  if (in_transaction_ || holds_snapshot() || db_ == nullptr) return;
  // A deferred transaction takes the read lock at its first read and keeps it to the end.
  snapshot_ = Run(kBeginRead) == kOk;
}

void FileStore::EndSnapshot() {
  if (!snapshot_) return;
  snapshot_ = false;
  // SQLite may have ended it already (after some errors); then there is nothing to end.
  if (db_ == nullptr || sqlite3_get_autocommit(db_)) return;
  if (Run(kCommit) != kOk) Run(kRollback);
}

bool FileStore::holds_snapshot() const {
  return snapshot_ && db_ != nullptr && !sqlite3_get_autocommit(db_);
}

// A write is a transaction of its own, or a savepoint inside the caller's transaction. A
// write cannot start from a read snapshot that may be stale: it is ended first.
int16_t FileStore::Begin() {
  if (!in_transaction_) EndSnapshot();
  return Run(in_transaction_ ? kSavepoint : kBegin);
}

int16_t FileStore::Finish(int16_t status) {
  if (in_transaction_) {
    if (status != kOk) Run(kRollbackTo);
    const int16_t released = Run(kRelease);
    if (status == kOk) status = released;
  } else if (status == kOk) {
    status = Run(kCommit);
    if (status != kOk) Run(kRollback);
  } else {
    Run(kRollback);
  }
  if (status == kOk) ++local_writes_;
  return status;
}

int16_t FileStore::BeginTransaction() {
  if (in_transaction_) return kOk;
  EndSnapshot();
  const int16_t status = Run(kBegin);
  in_transaction_ = status == kOk;
  return status;
}

int16_t FileStore::EndTransaction(bool commit) {
  if (!in_transaction_) return kOk;
  in_transaction_ = false;
  int16_t status = kOk;
  if (commit) {
    status = Run(kCommit);
    if (status == kOk) ++local_writes_;
  }
  if (!commit || status != kOk) Run(kRollback);
  return status;
}

int16_t FileStore::OtherWithKey(int key, const std::string& comparable, uint32_t position,
                                bool* found) {
  sqlite3_stmt* statement = Statement(key, kOtherWithKeyQ);
  if (statement == nullptr) return kIoError;
  sqlite3_bind_blob(statement, 1, comparable.data(), static_cast<int>(comparable.size()),
                    SQLITE_STATIC);
  sqlite3_bind_int64(statement, 2, position);
  const int rc = sqlite3_step(statement);
  *found = rc == SQLITE_ROW;
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  return StatusOf(rc);
}

int16_t FileStore::AddCount(int key, int delta) {
  if (delta == 0) return kOk;
  sqlite3_stmt* statement = Statement(kAddCount);
  if (statement == nullptr) return kIoError;
  sqlite3_bind_int(statement, 1, key);
  sqlite3_bind_int(statement, 2, delta);
  const int rc = sqlite3_step(statement);
  sqlite3_reset(statement);
  return StatusOf(rc);
}

void FileStore::BindKeys(sqlite3_stmt* statement, const uint8_t* record, int first_parameter) {
  for (size_t k = 0; k < definition_.keys.size(); ++k) {
    const int key = static_cast<int>(k);
    RecordComparableKey(definition_, key, record, &comparable_);
    sqlite3_bind_blob(statement, first_parameter + key, comparable_.data(),
                      static_cast<int>(comparable_.size()), SQLITE_TRANSIENT);
  }
}

int16_t FileStore::Insert(const uint8_t* record, uint32_t* position) {
  int16_t status = Begin();
  if (status != kOk) return status;
  const int keys = static_cast<int>(definition_.keys.size());
  std::vector<int> new_values(keys, 0);
  for (int k = 0; k < keys && status == kOk; ++k) {
    if (!definition_.keys[k].duplicates) continue;
    bool found = false;
    status =
        OtherWithKey(k, ComparableKey(definition_, k, KeyValue(definition_, k, record)), 0, &found);
    new_values[k] = found ? 0 : 1;
  }
  sqlite3_stmt* insert = Statement(kInsert);
  if (status == kOk && insert == nullptr) status = kIoError;
  if (status == kOk) {
    sqlite3_bind_blob(insert, 1, record, definition_.record_length, SQLITE_STATIC);
    BindKeys(insert, record, 2);
    status = StatusOf(sqlite3_step(insert));
    sqlite3_reset(insert);
    sqlite3_clear_bindings(insert);
  }
  if (status == kOk) {
    const sqlite3_int64 row = sqlite3_last_insert_rowid(db_);
    // Positions are 4-byte numbers.
    if (row <= 0 || row > static_cast<sqlite3_int64>(UINT32_MAX)) status = kIoError;
    *position = static_cast<uint32_t>(row);
  }
  if (status == kOk) status = AddCount(kRecordsCounter, 1);
  for (int k = 0; k < keys && status == kOk; ++k) status = AddCount(k, new_values[k]);
  return Finish(status);
}

int16_t FileStore::Update(uint32_t position, const uint8_t* record) {
  int16_t status = Begin();
  if (status != kOk) return status;
  StoredRecord old;
  status = Fetch(position, &old);
  const auto* old_record = reinterpret_cast<const uint8_t*>(old.data.data());
  const int keys = static_cast<int>(definition_.keys.size());
  std::vector<int> deltas(keys, 0);
  for (int k = 0; k < keys && status == kOk; ++k) {
    const std::string before = KeyValue(definition_, k, old_record);
    const std::string after = KeyValue(definition_, k, record);
    if (before == after) continue;
    if (!definition_.keys[k].modifiable) {
      status = kKeyNotModifiable;
      break;
    }
    if (!definition_.keys[k].duplicates) continue;
    bool before_shared = false;
    bool after_shared = false;
    status = OtherWithKey(k, ComparableKey(definition_, k, before), position, &before_shared);
    if (status == kOk) {
      status = OtherWithKey(k, ComparableKey(definition_, k, after), position, &after_shared);
    }
    deltas[k] = (after_shared ? 0 : 1) - (before_shared ? 0 : 1);
  }
  sqlite3_stmt* update = Statement(kUpdate);
  if (status == kOk && update == nullptr) status = kIoError;
  if (status == kOk) {
    sqlite3_bind_blob(update, 1, record, definition_.record_length, SQLITE_STATIC);
    BindKeys(update, record, 2);
    sqlite3_bind_int64(update, keys + 2, position);
    status = StatusOf(sqlite3_step(update));
    sqlite3_reset(update);
    sqlite3_clear_bindings(update);
  }
  for (int k = 0; k < keys && status == kOk; ++k) status = AddCount(k, deltas[k]);
  return Finish(status);
}

int16_t FileStore::Delete(uint32_t position) {
  int16_t status = Begin();
  if (status != kOk) return status;
  StoredRecord old;
  status = Fetch(position, &old);
  sqlite3_stmt* remove = Statement(kDelete);
  if (status == kOk && remove == nullptr) status = kIoError;
  if (status == kOk) {
    sqlite3_bind_int64(remove, 1, position);
    status = StatusOf(sqlite3_step(remove));
    sqlite3_reset(remove);
  }
  if (status == kOk) status = AddCount(kRecordsCounter, -1);
  const auto* old_record = reinterpret_cast<const uint8_t*>(old.data.data());
  for (int k = 0; k < static_cast<int>(definition_.keys.size()) && status == kOk; ++k) {
    if (!definition_.keys[k].duplicates) continue;
    bool shared = false;
    status = OtherWithKey(k, ComparableKey(definition_, k, KeyValue(definition_, k, old_record)),
                          position, &shared);
    if (status == kOk && !shared) status = AddCount(k, -1);
  }
  return Finish(status);
}

int16_t FileStore::Counts(uint32_t* records, std::vector<uint32_t>* distinct) {
  sqlite3_stmt* statement = Statement(kCountsQ);
  if (statement == nullptr) return kIoError;
  const size_t keys = definition_.keys.size();
  distinct->assign(keys, 0);
  *records = 0;
  int rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    const int key = sqlite3_column_int(statement, 0);
    const auto n = static_cast<uint32_t>(sqlite3_column_int64(statement, 1));
    if (key == kRecordsCounter) {
      *records = n;
    } else if (key >= 0 && static_cast<size_t>(key) < keys) {
      (*distinct)[key] = n;
    }
  }
  sqlite3_reset(statement);
  if (rc != SQLITE_DONE) return StatusOf(rc);
  // A key without duplicates has as many values as there are records.
  for (size_t k = 0; k < keys; ++k) {
    if (!definition_.keys[k].duplicates) (*distinct)[k] = *records;
  }
  return kOk;
}

}  // namespace recman
