#include "text/NaturalOrder.h"

#include <cstddef>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

unsigned char Folded(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + 32) : byte;
}

int Sign(std::ptrdiff_t value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

}  // namespace

int NaturalCompare(std::string_view a, std::string_view b) {
    // The first difference that case or leading zeros make; it decides only between names
    // that are otherwise equal.
    int tie = 0;
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            // Values compared as digit strings without leading zeros: any length, no overflow.
            std::size_t ai = i, bj = j;
            while (ai < a.size() && a[ai] == '0') ++ai;
            while (bj < b.size() && b[bj] == '0') ++bj;
            std::size_t aEnd = ai, bEnd = bj;
            while (aEnd < a.size() && IsDigit(a[aEnd])) ++aEnd;
            while (bEnd < b.size() && IsDigit(b[bEnd])) ++bEnd;
            if (aEnd - ai != bEnd - bj) return aEnd - ai < bEnd - bj ? -1 : 1;
            const int value = a.substr(ai, aEnd - ai).compare(b.substr(bj, bEnd - bj));
            if (value != 0) return Sign(value);
            // "01" after "1", as fewer zeros come first.
            if (tie == 0 && ai - i != bj - j) tie = ai - i < bj - j ? -1 : 1;
            i = aEnd;
            j = bEnd;
            continue;
        }
        const unsigned char x = Folded(a[i]), y = Folded(b[j]);
        if (x != y) return x < y ? -1 : 1;
        if (tie == 0 && a[i] != b[j]) {
            tie = static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
        }
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return tie;
}
