// The form check of an imported postcode: rated "N" (no usable postcode),
// "O" (an outward code without a usable inward part) or "F" (full), with the
// two pieces the coding looks up, the outward key and the sector digit.
#pragma once

#include <string>
#include <string_view>

namespace qv::coding {

struct PostcodeCheck {
    char status = ' ';        // 'N', 'O' or 'F'
    std::string outwardKey;   // up to and including the blank that ends the outward code
    char sector = ' ';        // the digit that starts the inward part, or a blank
    int scanPosition = 0;     // 1-based position reached in the postcode
};

// Rates a postcode and splits it (checkpc). An all-blank postcode is "N"
// with no outward key.
PostcodeCheck checkpc(std::string_view postcode);

// Rates an outward key: 'O' for a usable outward code, else 'N'.
char checkoutward(std::string_view outwardKey);

}  // namespace qv::coding
