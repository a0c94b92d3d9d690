#include "common/db/collation.h"

namespace qv::db {

namespace {
// Case folding for key comparison: ASCII and the Latin-1 letters.
inline void foldNext(const unsigned char* s, int n, int& i, unsigned& out) {
    unsigned char c = s[i];
    if (c < 0x80) {
        out = (c >= 'A' && c <= 'Z') ? c + 32u : c;
        ++i;
        return;
    }
    if (c == 0xC3 && i + 1 < n) {
        unsigned char d = s[i + 1];
        if (d >= 0x80 && d <= 0x9E && d != 0x97) d = (unsigned char)(d + 0x20);
        out = 0xC300u | d;
        i += 2;
        return;
    }
    out = 0x10000u + c;  // other bytes compare as themselves, above ASCII
    ++i;
}
}  // namespace

int keyTextCollation(void*, int na, const void* a, int nb, const void* b) {
    auto* sa = static_cast<const unsigned char*>(a);
    auto* sb = static_cast<const unsigned char*>(b);
    while (na > 0 && sa[na - 1] == ' ') --na;
    while (nb > 0 && sb[nb - 1] == ' ') --nb;
    int i = 0, j = 0;
    while (i < na && j < nb) {
        unsigned ca, cb;
        foldNext(sa, na, i, ca);
        foldNext(sb, nb, j, cb);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (i < na) return 1;
    if (j < nb) return -1;
    return 0;
}

}  // namespace qv::db
