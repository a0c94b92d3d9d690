// Message texts every program of the suite shows in the same words.
#pragma once

#include <string>
#include <string_view>

namespace qv::texts {

// The database is held by another program of the suite.
inline constexpr const char* HeldElsewhere =
    "Another option is currently running, wait until it has finished then try again.";

inline constexpr const char* UnexpectedLead =
    "An unexpected error has occurred.  Please make a note of the following error details and contact "
    "Brackwith Mailing Services.  Error number: ";
inline constexpr const char* UnexpectedDescription = "  Description: ";

// A customer's file that the first look (text/textfile.h) finds is no text.
inline constexpr const char* NotTextFile = "The selected file is not a text file.";

// The message of an error the program did not expect.
inline std::string unexpectedError(int number, std::string_view description) {
    return std::string(UnexpectedLead) + std::to_string(number) + UnexpectedDescription + std::string(description);
}

// The duplicate checker words it its own way ("occured" as it always has).
inline constexpr const char* DuplicateCheckerUnexpectedLead =
    "An unexpected error occured.  Please report the following details to Brackwith Mailing Services:  "
    "Error number: ";

inline std::string duplicateCheckerUnexpectedError(int number, std::string_view description) {
    return std::string(DuplicateCheckerUnexpectedLead) + std::to_string(number) + UnexpectedDescription +
           std::string(description);
}

// The job has no addresses to work on: its work table is missing or empty
// (never imported, or dropped by the clean-up). `task` is what the program
// would do with them ("print"), `steps` the options to run first.
inline std::string noAddresses(std::string_view task, std::string_view steps) {
    return "There are no addresses to " + std::string(task) + ": the job's work table is missing or empty. Run " +
           std::string(steps) + " first.";
}

}  // namespace qv::texts
