#include "filedialogs.h"

#include <QFileDialog>

FileDialogs::FileDialogs()
    : getOpenFileName([](QWidget *parent, const QString &caption, const QString &directory,
                         const QString &filter) {
          return QFileDialog::getOpenFileName(parent, caption, directory, filter);
      })
{
}
