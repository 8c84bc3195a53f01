#include "master/settingsdatabase.h"

#include "card/diarystate.h"
#include "store/storeerror.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace tama {

SettingsDatabase::SettingsDatabase(const DiaryState &state) : m_state(state) {
    openIfThere();
}

void SettingsDatabase::openIfThere() const {
    if (m_db) return;
    const QFileInfo file(m_state.folder.file(PlayDatabase::fileName()));
    if (file.exists() || file.isSymLink())
        m_db = std::make_unique<PlayDatabase>(m_state.folder, m_state.readOnly()
                                                                  ? PlayDatabase::Mode::ReadOnly
                                                                  : PlayDatabase::Mode::ReadWrite);
}

SettingsDatabase::~SettingsDatabase() = default;

QString SettingsDatabase::unavailable() const {
    openIfThere();
    if (!m_db || m_db->isOpen()) return {};
    return m_db->reason().isEmpty() ? u"開けませんでした"_s : m_db->reason();
}

QString SettingsDatabase::readProblem() const {
    return m_db && m_db->isOpen() ? m_db->readError() : QString();
}

const PlayDatabase *SettingsDatabase::reading() const {
    openIfThere();
    return m_db && m_db->isOpen() ? m_db.get() : nullptr;
}

PlayDatabase &SettingsDatabase::writing() {
    if (m_state.readOnly())
        throw StoreError(StoreError::Kind::Io, PlayDatabase::fileName(),
                         u"データフォルダに書き込めないため、保存できません"_s);
    if (!m_db) m_db = std::make_unique<PlayDatabase>(m_state.folder, PlayDatabase::Mode::ReadWrite);
    if (!m_db->isOpen()) throw StoreError(StoreError::Kind::Io, PlayDatabase::fileName(), unavailable());
    return *m_db;
}

} // namespace tama
