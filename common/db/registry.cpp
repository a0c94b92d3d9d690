#include "common/db/registry.h"

namespace qv::db {

Registry& registry() {
    static Registry r;
    return r;
}

std::shared_ptr<std::atomic<uint64_t>> versionOf(const std::string& dbPath, const std::string& lowerTable) {
    auto& r = registry();
    std::lock_guard g(r.m);
    auto& v = r.versions[dbPath + '\n' + lowerTable];
    if (!v) v = std::make_shared<std::atomic<uint64_t>>(1);
    return v;
}

void raiseVersions(const std::string& dbPath) {
    auto& r = registry();
    std::lock_guard g(r.m);
    const std::string prefix = dbPath + '\n';
    for (auto& [k, v] : r.versions)
        if (k.compare(0, prefix.size(), prefix) == 0) ++*v;
}

}  // namespace qv::db
