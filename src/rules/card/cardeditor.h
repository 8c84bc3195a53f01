#pragma once

#include "card/cardentry.h"
#include "card/daterepair.h"
#include "card/playfigures.h"
#include "card/profit.h"
#include "store/datafolder.h"
#include "store/playdata.h"
#include "store/storeerror.h"

#include <QDate>
#include <QList>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace tama {

// The card on the card screen, without the window: which card of which diary is shown,
// whether it is the new card, a stored card or a deletion candidate, and what its boxes
// hold. The window draws it and sends every edit here; other windows read it here.
class CardEditor {
  public:
    enum class State { New, Stored, Candidate };

    // The diary the editor works on; nothing is read until load().
    void open(const DataFolder &folder, const QString &diaryFile, const QString &year);
    const QString &diaryFile() const { return m_diaryFile; }
    const QString &year() const { return m_year; }

    // Counts the diary's cards (creating an empty diary when there is none) and shows
    // its new card starting at 10:00. A diary that cannot be read counts as empty and
    // the error is returned to be shown.
    std::optional<StoreError> load(const QDate &today);
    // Shows card n (the new card when n is past the stored cards). A record that cannot
    // be read shows blank; the error is returned.
    std::optional<StoreError> show(int n, const QDate &today);

    int number() const { return m_number; }
    int newCardNumber() const { return m_count + 1; }
    int count() const { return m_count; }
    State state() const { return m_state; }
    bool isNewCard() const { return m_state == State::New; }
    const CardControls &card() const { return m_card; }

    // ---- edits ----
    // The month and day as typed; the weekday follows whenever they form a date.
    void setMonth(const QString &month);
    void setDay(const QString &day);
    // A typed date box complete or left: an impossible date is repaired (month or day
    // back to 01, beeps counted). Returns the number of beeps.
    int repairDate(DateBox box);
    // Leaving the month or day box pads a single digit with a zero, then repairs.
    int leaveDateBox(DateBox box);
    void setDate(const QDate &date);
    bool dateIsValid() const;
    std::optional<QDate> date() const;

    // Digit boxes: 0-3 start (hour tens, hour ones, minute tens, minute ones), 4-7 end,
    // 8-11 investment (万 tens, 万 ones, 千, 百円), 12-15 cash-out. An amount digit
    // recomputes the profit.
    void setDigit(int box, const QString &text);
    QString digit(int box) const;

    // A spinner (1 … 10) moved to value v: wraps, applies its rules to the boxes and
    // the profit. spinnerValue() is where each spinner stands for the card as it is.
    void spin(int index, int value);
    int spinnerValue(int index) const;

    // Changing the store clears the category, so that the model list is chosen again.
    void setStore(const QString &store);
    void setModel(const QString &model);
    void setCategory(int option); // 1 … 5, 0 for none
    void setDayType(int option);  // 1 … 4, 0 for none
    void setImpression(const QString &impression);
    void clearCategory() { m_card.category = 0; }

    // ---- registration ----
    struct Registration {
        enum class Outcome { Incomplete, BadDate, Refused, Written };
        Outcome outcome = Outcome::Incomplete;
        std::optional<StoreError> error;   // why it was refused
        bool appended = false;             // the new card was written
        std::optional<QString> addedStore; // added to the store file
        std::optional<QString> addedModel; // added to the category's catalogue
        bool modelMissingFromList = false; // the store's model list lacks the model
        QList<StoreError> problems;        // store file, catalogue or model list failing
        QStringList notices;               // names cut to their stored length
    };
    // Checks and writes the card at its number and adds store and model to their files.
    // Nothing is written for an incomplete card, an impossible date or a character the
    // code page lacks.
    Registration registerCard();
    // After the new card was registered: the next one starts where it ended, at the same
    // store, on the date the date scroller stands at.
    void prepareNextCard(const QDate &scrollerDate);

    // The button beside registration: marks a stored card, takes a mark back, or empties
    // the new card. Throws StoreError; the card is then as it was.
    void markOrEmpty();

    // After the diary was organised: its new card, which keeps the time where the last
    // card ended and the store shown.
    std::optional<StoreError> afterOrganise(int newCardNumber, const QDate &today);

    bool profitNegative() const { return m_profitNegative; }

    // ---- play data (稼働データ) of the card shown ----
    enum class PlayBox { Spins, OwnBalls, Hits, Machine, ChodamaUsed, ChodamaDeposited };
    // The database of the data folder; null or closed when it cannot be used. The
    // editor does not own it.
    void setPlayDatabase(PlayDatabase *db);
    // Makes the database when there was none yet and play data is first to be stored, so
    // that a folder whose player keeps none never gets one. Without it, no database is
    // no play data.
    void setPlayDatabaseMaker(std::function<PlayDatabase *()> make) { m_makeDb = std::move(make); }
    // Why the play data cannot be kept, in words for the player; empty when it can.
    QString playUnavailable() const;
    void setPlayText(PlayBox box, const QString &text);
    QString playText(PlayBox box) const { return m_playText[size_t(box)]; }
    // Adds delta to a count box (Up and Down), within 0 … kMaxPlayCount (貯玉: kMaxChodamaBalls).
    void stepPlay(PlayBox box, int delta);
    // The boxes' counts that are whole numbers in range; the others count as not given.
    PlayInputs playInputs() const;
    // Whether the card shown had play data when it was shown or last registered.
    bool hasStoredPlay() const { return m_storedPlay.has_value(); }
    // The figures of the card as it stands in its boxes, worked out afresh at each call
    // so that they follow every box.
    PlayFigures playFigures() const;
    // Why the figures are missing, for the player; empty when they are complete. A card
    // dated before its hall's first terms is told from when there are terms.
    QString playMissingNote() const;
    // The diary's rows whose card was not found again.
    QList<DetachedPlay> detachedPlay() const;
    // Gives a detached row to the card shown, a stored card without play data. Throws
    // StoreError.
    void attachPlay(qint64 detachedId);

  private:
    void setNewCardDate(const QDate &today);
    void updateProfit();
    QString &box(int i);
    bool playReady() const { return m_db && m_db->isOpen(); }
    void clearPlay();
    void loadPlay(const QByteArray &record);
    void showPlay(const PlayInputs &play);
    CardKey keyOf(int n, const QByteArray &fingerprint);
    // The record the boxes would store, for the figures.
    CardRecord shownRecord() const;
    // The play boxes as inputs, or why one is refused.
    PlayInputs checkedPlayInputs() const;
    const DiaryKeys &diaryKeys(int count);

    const DataFolder *m_folder = nullptr;
    QString m_diaryFile;
    QString m_year;
    int m_count = 0;
    int m_number = 0;
    State m_state = State::New;
    CardControls m_card;
    bool m_profitNegative = false;

    PlayDatabase *m_db = nullptr;
    std::function<PlayDatabase *()> m_makeDb;
    std::array<QString, 6> m_playText;
    std::optional<PlayInputs> m_storedPlay;
    // The keys of the diary's cards, read once and kept in step with the editor's writes.
    std::optional<DiaryKeys> m_keys;
};

} // namespace tama
