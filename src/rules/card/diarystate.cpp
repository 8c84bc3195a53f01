#include "card/diarystate.h"

#include "store/diary.h"

namespace tama {

DiaryState::DiaryState(QString folderPath, QObject *parent)
    : QObject(parent), folder(std::move(folderPath)) {}

QString DiaryState::yearText() const {
    return QStringLiteral("%1").arg(m_year, 4, 10, QChar(u'0'));
}

QString DiaryState::diaryFile() const {
    return m_user.isEmpty() ? QString() : DiaryFileName(m_user, m_year);
}

void DiaryState::open(const QString &user, int year) {
    m_user = diaryUserPart(user).value_or(QString());
    m_year = year;
    ++m_openings;
    emit diaryChanged();
}

void DiaryState::setYear(int year) {
    if (year == m_year) return;
    m_year = year;
    emit diaryChanged();
}

} // namespace tama
