#include "store/storeerror.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {
QString compose(const QString &file, const QString &reason) {
    return file.isEmpty() ? reason : u"「"_s + QFileInfo(file).fileName() + u"」: "_s + reason;
}
} // namespace

StoreError::StoreError(Kind kind, QString file, QString reason)
    : std::runtime_error(compose(file, reason).toStdString()), m_kind(kind), m_file(std::move(file)),
      m_reason(std::move(reason)) {}

QString StoreError::message() const {
    return compose(m_file, m_reason);
}

StoreError StoreError::fromErrno(int err, const QString &file, const QString &action) {
    QString why;
    switch (err) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        why = u"ディスクの空き容量が足りません"_s;
        break;
    case EACCES:
    case EPERM:
        why = u"アクセスが許可されていません"_s;
        break;
    case EROFS:
        why = u"読み取り専用の場所です"_s;
        break;
    case EIO:
        why = u"入出力エラーが起きました"_s;
        break;
    case ENOENT:
        why = u"ファイルまたはフォルダがありません"_s;
        break;
    case ENAMETOOLONG:
        why = u"ファイル名が長すぎます"_s;
        break;
    default:
        why = QString::fromLocal8Bit(std::strerror(err));
        break;
    }
    return StoreError(Kind::Io, file, action + u"できませんでした（"_s + why + u"）"_s);
}

} // namespace tama
