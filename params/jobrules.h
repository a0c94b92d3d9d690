// The job parameters' rules without any widget: which service groups each
// service shows, how a stored service selects an option, the box rules and
// the checks made before a job is stored.
#pragma once

#include "common/suitetexts.h"
#include "common/text/sectorkeys.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::params {

// The eight service options; None when the stored service matched none.
enum class ServiceOption { None, M1, M1120, M2, M2120, M3, M3120, P1, P2 };

bool is120(ServiceOption o);
bool isPresstream(ServiceOption o);

// Service code stored for an option: "P2" when none is chosen.
std::string serviceCode(ServiceOption o);

// The option a stored (Service, Mailsort120) pair selects. std::nullopt is a
// Null key, which never equals anything.
ServiceOption serviceOnLoad(const std::optional<std::string>& service,
                            const std::optional<std::string>& mailsort120);

struct ServiceGroups {
    bool geog = true;       // chkGeog, lblPostcode, txtPostcode
    bool defer = true;      // chkDefDel, lblDefDate, txtDefDate
    bool selection = true;  // lblMinSel, txtSelection
    bool operator==(const ServiceGroups&) const = default;
};
ServiceGroups serviceGroups(ServiceOption o);

namespace msg {
inline constexpr const char* DeferDate = "Must enter a valid defer date if selected to defer delivery";
inline constexpr const char* Postcode = "Invalid postcode entered";
inline constexpr const char* Format120 = "Mail Format has to be LE-Letter for 120 processing";
inline constexpr const char* FormatIncorrect =
    "        Format Incorrect.  Valid Formats Are:\r\nLE-Letter, LL-Large Letter, A3-A3 Packet, Pk-Packet";
inline constexpr const char* Selection25 = "Minimum Selection has to be 25 for format";
inline constexpr const char* Selection5 = "Minimum Selection has to be 5 for format";
inline constexpr const char* Weight100 = "Weight must be less than 100g for Mail Format";
inline constexpr const char* Weight750 = "Weight must be less than 750g for Mail Format";
inline constexpr const char* Presstream = "Letter format not valid for Presstream";
inline constexpr const char* WeightRange = "Weight must be between 10 and 2000";
inline constexpr const char* MustEnter = "Must enter a value";
inline constexpr const char* BagBelowWeight = "Bag Maximum must not be less than the Item Weight";
inline constexpr const char* WarnSelection25 = "Minimum selection is normally 25 for Letter Format";
inline constexpr const char* WarnSelection5 = "Minimum selection is normally 5 for Selected Format";
inline constexpr const char* Held = texts::HeldElsewhere;
inline constexpr const char* Unexpected = texts::UnexpectedLead;
inline constexpr const char* Description = texts::UnexpectedDescription;
}  // namespace msg

// ---- Box rules -------------------------------------------------------------

// The number a box holds: the number at the start of its text, 0 when empty.
double boxNumber(std::string_view text);

// Leaving txtWeight: the message when the weight is outside 10..2000.
std::optional<std::string> weightLeaveMessage(std::string_view weight);
// Leaving txtBagMax or txtBundleMax: the message for a limit of 0.
std::optional<std::string> limitLeaveMessage(std::string_view limit);
// Leaving txtSelection (after an empty box became "0"): the warning, if any.
std::optional<std::string> selectionWarning(std::string_view selection, std::string_view format);

// Leaving txtDefDate: digits typed without separators laid into "##/##/##"
// ("311299" -> "31/12/99", "010199" -> "1/01/99"). A text with "/" as its
// 2nd, 3rd or 6th character, one that is not a whole number, or one whose
// picture would not fit the 8-character box comes back unchanged.
std::string deferDatePicture(const std::string& text);

// A defer date as typed: day/month/year, whatever the machine's locale.
bool isValidDeferDate(std::string_view text);

// ---- Centre postcode ---------------------------------------------------------

// The two pcode keys a centre postcode is looked up by (shared with the
// sortation); no keys means no lookup (the postcode is invalid).
using qv::SectorKeys;
using qv::sectorKeys;

// True when pcode holds the key (exact match on its primary index).
using SectorLookup = std::function<bool(const std::string& key)>;
bool isValidCentrePostcode(std::string_view postcode, const SectorLookup& lookup);

// ---- Checks before a job is stored --------------------------------------------

// The boxes a failed check sends the focus to.
enum class Box { DefDate, Postcode, Format, Selection, Weight, BagMax, BundleMax };

struct Failure {
    std::string message;
    Box box;
    bool operator==(const Failure&) const = default;
};

struct JobEntries {
    ServiceOption service = ServiceOption::None;
    bool deferTicked = false;
    std::string deferDate;
    bool geogTicked = false;
    bool geogShown = true;  // the centre postcode is only checked while its group shows
    std::string postcode;
    std::string format;
    std::string selection;
    std::string weight;
    std::string bagMax;
    std::string bundleMax;
};

// Every failing check in the order the messages are shown. The lookup is
// only called when the centre postcode is checked.
std::vector<Failure> checkEntries(const JobEntries& e, const SectorLookup& lookup);

}  // namespace qv::params
