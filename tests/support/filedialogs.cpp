#include "filedialogs.h"

#include "app/widget.h"

namespace testbench {

void AnsweredDialogs::answer(Widget &window)
{
    window.fileDialogs.saveFileName = [this](QWidget *parent, const QString &caption,
                                             const QString &directory, const QString &filter) {
        saves.append({parent, caption, directory, filter});
        return saveAnswer;
    };
    window.fileDialogs.saveFileNameAndFilter =
        [this](QWidget *parent, const QString &caption, const QString &directory,
               const QString &filter, QString *selectedFilter) {
            saves.append({parent, caption, directory, filter});
            if (!chosenFilter.isEmpty() && selectedFilter)
                *selectedFilter = chosenFilter;
            return saveAnswer;
        };
    window.fileDialogs.openFileName = [this](QWidget *parent, const QString &caption,
                                             const QString &directory, const QString &filter) {
        opens.append({parent, caption, directory, filter});
        return openAnswer;
    };
}

} // namespace testbench
