#pragma once

#include "card/playfigures.h"
#include "store/playdata.h"

#include <QHash>
#include <QString>

#include <memory>
#include <optional>

namespace tama {
class CardRecord;
}

namespace tama::cli {

struct Context;
class JsonWriter;

// Rounds a figure to hundredths for the two-decimal outputs.
qint64 hundredthsOf(double value);

// The database as a read command sees it: opened read-only, never created. A missing
// file gives a closed database without a word; one that cannot be opened gives a warning
// on stderr ending in consequence, as what is listed from the old files must still come out.
std::unique_ptr<PlayDatabase> openForReading(const Context &c, const QString &consequence);
// Says on stderr when a reading call of db met an error (it then answered with nothing).
bool readFailed(const Context &c, const PlayDatabase &db, const QString &consequence);

// The play data of one diary's cards for a listing: the diary's rows read in one query,
// every hall's terms and model's 機種スペック once.
class PlayColumn {
  public:
    PlayColumn(const Context &c, const QString &diaryFile);
    // "play": null, or card n's inputs and figures.
    void write(JsonWriter &json, int n, const CardRecord &card) const;
    // Card n's inputs, when it has any.
    std::optional<PlayInputs> playOf(int n) const;

  private:
    DiaryKeys m_keys;
    QHash<CardKey, PlayInputs> m_rows;
    PlayLookup m_lookup;
};

} // namespace tama::cli
