// Opening a file a user picked in a dialog, for reading, only when it is a
// regular file. Qt Core only.
#pragma once

class QFile;

namespace regularfile {

// Opens `file` (its name set) read-only when the name is a regular file or a
// link to one. Anything else is refused before it is opened: a named pipe
// would keep the open waiting for a writer, a device such as /dev/zero or a
// terminal would be read without end, a folder or a dangling link cannot be
// read at all. What is opened and turns out not to be a regular file after
// all (replaced in between) is closed again and refused too.
bool openForReading(QFile &file);

} // namespace regularfile
