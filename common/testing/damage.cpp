#include "common/testing/damage.h"

#include "common/db/collation.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <vector>

namespace qv::testkit {

std::uint64_t pageSizeOf(const fs::path& file) {
    std::ifstream f(file, std::ios::binary);
    unsigned char header[18] = {};
    f.read(reinterpret_cast<char*>(header), sizeof header);
    const std::uint64_t size = (std::uint64_t(header[16]) << 8) | header[17];
    return size == 1 ? 65536 : size;
}

std::uint64_t pageCountOf(const fs::path& file) { return fs::file_size(file) / pageSizeOf(file); }

namespace {

void zeroPages(const fs::path& file, std::uint64_t first, std::uint64_t count) {
    const std::uint64_t size = pageSizeOf(file);
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    const std::string zeros(size * count, '\0');
    f.seekp(std::streamoff(first * size));
    f.write(zeros.data(), std::streamsize(zeros.size()));
    ASSERT_TRUE(f.good()) << file;
}

}  // namespace

void zeroPagesAfter(const fs::path& file, std::uint64_t from) {
    const std::uint64_t added = pageCountOf(file) - from;
    ASSERT_GT(added, 8u);
    zeroPages(file, from + added / 4, added / 2);
}

void zeroLeafPageOf(const fs::path& file, const std::string& table) {
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open_v2(file.c_str(), &h, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    std::vector<std::int64_t> leaves;
    sqlite3_stmt* st = nullptr;
    const int prepared = sqlite3_prepare_v2(
        h, "SELECT pageno FROM dbstat WHERE name = ?1 AND pagetype = 'leaf' ORDER BY pageno", -1, &st, nullptr);
    if (prepared == SQLITE_OK) {
        sqlite3_bind_text(st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW) leaves.push_back(sqlite3_column_int64(st, 0));
    }
    sqlite3_finalize(st);
    sqlite3_close(h);
    ASSERT_EQ(prepared, SQLITE_OK);
    ASSERT_GT(leaves.size(), 4u);
    zeroPages(file, std::uint64_t(leaves[leaves.size() / 2] - 1), 1);
}

void rawSql(const fs::path& file, const std::string& sql) {
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &h), SQLITE_OK);
    sqlite3_create_collation(h, db::kKeyTextCollation, SQLITE_UTF8, nullptr, db::keyTextCollation);
    char* error = nullptr;
    const int rc = sqlite3_exec(h, sql.c_str(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(h);
    EXPECT_EQ(rc, SQLITE_OK) << message;
}

}  // namespace qv::testkit
