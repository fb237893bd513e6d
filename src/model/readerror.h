#pragma once

// A file that cannot be read at all, whatever its format: the reason as a
// Czech sentence for the user. Broken but readable input never throws:
// a reader loads what can be read.

#include <QString>

#include <stdexcept>

namespace model {

class ReadError : public std::runtime_error {
public:
    explicit ReadError(const QString &description)
        : std::runtime_error(description.toStdString()), m_description(description) {}
    QString description() const { return m_description; }

private:
    QString m_description;
};

} // namespace model
