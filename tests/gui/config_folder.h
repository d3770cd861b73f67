#pragma once

// A configuration folder of the test's own: XDG_CONFIG_HOME names a fresh temporary folder from
// the fixture's creation on, so that no test reads or writes the user's settings or those of
// the test before it. The variable is not put back: the next fixture sets it again.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace zerlin::test::gui {

class ConfigFolder {
  public:
    // In the system's temporary folder, or where templatePath says ("/dev/shm/zerlin-XXXXXX").
    explicit ConfigFolder(const QString& templatePath = QDir::tempPath() + "/zerlin-XXXXXX")
        : dir_(templatePath) {
        if (dir_.isValid()) {
            qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path()));
        }
    }

    bool isValid() const { return dir_.isValid(); }
    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

  private:
    QTemporaryDir dir_;
};

}  // namespace zerlin::test::gui
