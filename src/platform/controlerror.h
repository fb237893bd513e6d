#pragma once

#include <QString>

#include <stdexcept>

namespace borovka {

// What the editing area raises when it cannot carry out a load or a save.
// The description is meant for the user.
class ControlError : public std::runtime_error {
public:
    explicit ControlError(const QString &description)
        : std::runtime_error(description.toStdString()), m_description(description) {}
    QString description() const { return m_description; }

private:
    QString m_description;
};

} // namespace borovka
