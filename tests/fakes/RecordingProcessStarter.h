#pragma once

#include "platform/ProcessStarter.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace umbraxis {

class FileSystem;

// A process starter that starts nothing: it records each call, with the
// folder to start in and the program's current directory at the moment of
// the call, and answers a settable code.
class RecordingProcessStarter : public ProcessStarter {
public:
    struct Call {
        QString commandLine;
        int showFlag = 0;
        QString folder;
        QString currentDirectory;
        // The program part, when the caller gave it on its own.
        QString program;
        // The arguments one by one, when the program was given by its host
        // path.
        QStringList arguments;
    };

    // The current directory is read through `files` (a program path); without
    // it, the host's current directory is recorded.
    explicit RecordingProcessStarter(const FileSystem* files = nullptr);

    int start(const QString& commandLine, const QString& folder, int showFlag) override;
    int startProgram(const QString& program, const QString& arguments, const QString& folder, int showFlag) override;
    int startHostProgram(const QString& hostProgram, const QStringList& arguments, const QString& folder) override;

    void setResult(int result) { m_result = result; }
    const std::vector<Call>& calls() const { return m_calls; }
    void clear() { m_calls.clear(); }

private:
    QString currentDirectory() const;

    const FileSystem* m_files;
    int m_result = 33;
    std::vector<Call> m_calls;
};

} // namespace umbraxis
