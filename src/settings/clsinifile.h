#pragma once

#include <chrono>
#include <optional>

#include <QByteArray>
#include <QString>

// Typed access to one profile (INI) file in CP932. Every call reads or writes the file as it is
// on disk; nothing is cached unless the caller asks for one reading of many keys (readOnce).
// Section and key names match without regard to case and to blanks around them; the value is
// everything after the first "=", verbatim. The first of duplicate sections or keys wins. Lines
// that are neither a section header nor an entry (comments starting with ";", blank lines, lines
// without "=") are kept as they are by every write. Each write holds the lock file "<file>.lock"
// from reading the file to replacing it, so writers in other processes do not overwrite each
// other's changes.
class clsIniFile final {
public:
    QString pFileName() const { return m_fileName; }
    void setPFileName(const QString& strNewFileName)
    {
        m_fileName = strNewFileName;
        m_held.reset();
    }

    // Reads the file now; the gets that follow read that copy, until the next write or file name
    // through this object. For a caller that reads many keys as one consistent set (a mode),
    // once instead of once a key. A file that cannot be read reads as missing, as it would then.
    void readOnce();

    // Writes one entry; creates file, section and key when missing. The file is replaced
    // atomically; false (with errorString()) when it cannot be written or when a name or the
    // value cannot be stored on one line of the file.
    bool mSetString(const QString& strSection, const QString& strKey, const QString& strValue);

    // Replaces every entry of a section with the NUL-separated key=value items of `strValue`;
    // a single NUL removes them all. Comment and blank lines of the section stay.
    bool mSetSection(const QString& strSection, const QString& strValue);

    // The whole value, or `strDefault` when the key is missing or its value empty.
    QString mGetString(const QString& strSection, const QString& strKey,
                       const QString& strDefault = QString()) const;

    // An optional "-" and digits at the very start of the value (anything else gives 0), or
    // `intDefault` when the key is missing or empty. std::nullopt when the number does not fit
    // 16 bits signed: the caller leaves its target as it was.
    std::optional<qint16> mGetInteger(const QString& strSection, const QString& strKey,
                                      qint16 intDefault = 0) const;

    // How long a write waits for another writer's lock before it fails (5 s unless set).
    void setLockWait(std::chrono::milliseconds wait) { m_lockWait = wait; }

    // Why the last write failed.
    QString errorString() const { return m_error; }

private:
    std::optional<QByteArray> rawValue(const QString& section, const QString& key) const;

    QString m_fileName;
    std::optional<QByteArray> m_held; // by readOnce; empty optional: read on each get
    QString m_error;
    std::chrono::milliseconds m_lockWait{std::chrono::seconds(5)};
};
