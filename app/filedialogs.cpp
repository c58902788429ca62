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
      }),
      saveFileNameAndFilter([](QWidget *parent, const QString &caption, const QString &directory,
                               const QString &filter, QString *selectedFilter) {
          return QFileDialog::getSaveFileName(parent, caption, directory, filter, selectedFilter);
      }),
      existingDirectory(
          [](QWidget *parent, const QString &caption, const QString &directory, const QString &) {
              return QFileDialog::getExistingDirectory(parent, caption, directory);
          })
{
}
