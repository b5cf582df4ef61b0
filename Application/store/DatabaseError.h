#pragma once

#include <stdexcept>
#include <string>

/// An error of the table engine or of a data file ("The data is incorrect", a conversion error,
/// a field that does not exist). It travels to the caller, and from there to the standard error
/// box, with its text.
class EDatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A data file that cannot be opened, read or written.
class EFileError : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};
