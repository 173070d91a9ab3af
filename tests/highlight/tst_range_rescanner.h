#pragma once

#include <QObject>

// The per-line range store and its rescans.
class TstRangeRescanner : public QObject
{
    Q_OBJECT

private slots:
    void scanAllStoresEveryEndState();
    void scanAllOfEmptyList();
    void scanAllIgnoresStaleStates();
    void rescanFromBeyondTheEnd();
    void rescanStopsOnAgreement_data();
    void rescanStopsOnAgreement();
    void edits_data();
    void edits();
    void severalLinesReplaced_data();
    void severalLinesReplaced();
    void randomEditsMatchFullScan();
    void endStateShortcutMatchesTokenising();
};
