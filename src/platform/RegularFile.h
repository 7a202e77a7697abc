#pragma once

#include <QByteArray>

namespace umbraxis {

// Opens a host file for reading only when it is a regular file, without ever
// blocking: a fifo would wait for a writer and a device could be read for
// ever, so both are refused. Returns the descriptor (blocking again, closed on
// exec), or -1 with the reason in `error` (an errno value).
int openRegularFile(const QByteArray& hostPath, int& error);

} // namespace umbraxis
