// The postcode checks of the coding. Every line of the input is a postcode
// as the splitters hand it on.
#include "fuzz/fuzzkit.h"

#include "coding/postcode.h"
#include "common/text/lines.h"

#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream stream{std::string(qv::fuzz::bytes(data, size)), std::ios::binary};
    qv::LineReader reader(stream);
    std::string line;
    while (reader.readLine(line)) {
        const qv::coding::PostcodeCheck c = qv::coding::checkpc(line);
        QV_FUZZ_CHECK(c.status == 'N' || c.status == 'O' || c.status == 'F');
        for (const std::string& key : {c.outwardKey, line}) {
            const char o = qv::coding::checkoutward(key);
            QV_FUZZ_CHECK(o == 'O' || o == 'N');
        }
    }
    return 0;
}
