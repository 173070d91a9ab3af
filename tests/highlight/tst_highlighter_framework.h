#pragma once

#include <QObject>

// The highlighter framework: attributes, change notification, word characters, colours,
// persistence through INI files and the settings seam.
class TstHighlighterFramework : public QObject
{
    Q_OBJECT

private slots:
    void newAttribute();
    void attributeChangeNotifies();
    void assignColorAndStyleNotifiesOnce();
    void attributeAssignCopiesName();
    void integerStyle_data();
    void integerStyle();
    void updateBracketDefersToOneNotification();
    void nestedUpdates();
    void endUpdateWithoutBeginDoesNothing();
    void updateWithoutChangeNotifiesNobody();
    void enabledNotifies();
    void unhookStopsNotifications();
    void handlerMayUnhookItselfWhileNotified();
    void loadingSuppressesNotifications();
    void destroyNotification();
    void attributeListIsSortedWithoutCase();
    void duplicateAttributeName_data();
    void duplicateAttributeName();
    void attributeIndexOutOfRange();
    void highlighterAssign();
    void baseDefaults();
    void wordCharacters_data();
    void wordCharacters();
    void editorWordCharacters();
    void colours_data();
    void colours();
    void iniRoundTrip();
    void iniFileLayout();
    void iniMissingSectionFails();
    void iniMissingFileFails();
    void iniUnwritableFileThrows();
    void registryRoundTrip();
    void registryMissingKeyFails();
    void registryMissingAttributeKeyFails();
    void registryWrongTypeThrows();
    void registryUnwritableStoreFails();
};
