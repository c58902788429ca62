#include "filedialogs.h"

#include <QFileDialog>

FileDialogs::FileDialogs()
    : saveFileName([](QWidget *parent, const QString &caption, const QString &directory,
                      const QString &filter) {
          return QFileDialog::getSaveFileName(parent, caption, directory, filter);
      }),
      openFileName([](QWidget *parent, const QString &caption, const QString &directory,
                      const QString &filter) {
          return QFileDialog::getOpenFileName(parent, caption, directory, filter);
      })
{
}
