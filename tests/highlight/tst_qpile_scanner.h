#pragma once

#include <QObject>

// The QPILE token scanner, keyword table and attributes.
class TstQpileScanner : public QObject
{
    Q_OBJECT

private slots:
    void tokens_data();
    void tokens();
    void stringStateCarriesOver_data();
    void stringStateCarriesOver();
    void emptyLineKeepsState_data();
    void emptyLineKeepsState();
    void keywordKinds_data();
    void keywordKinds();
    void everyKeywordIsFound_data();
    void everyKeywordIsFound();
    void hashValues_data();
    void hashValues();
    void keywordTable();
    void keyWordsText_data();
    void keyWordsText();
    void longIdentifier();
    void tokenTextKeepsClientCase();
    void setRangeKeepsLowByte_data();
    void setRangeKeepsLowByte();
    void attributes_data();
    void attributes();
    void attributeOrder();
    void tokenAttributes_data();
    void tokenAttributes();
    void defaultAttributes_data();
    void defaultAttributes();
    void classValues();
    void symbolsLookLikeIdentifiers();
    void displayForm();
    void displayFormPositions_data();
    void displayFormPositions();
    void goldenTokens();
    void lowerCasingIsQCharToLower();
    void nextToEolEqualsNextLoop();
    void resumePointsScanAlike();
};
