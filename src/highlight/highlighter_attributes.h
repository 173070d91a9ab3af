#pragma once

#include "highlight/tcolor.h"

#include <QFlags>
#include <QString>
#include <functional>

class QSettings;

namespace bp {

class SettingsStore;

enum class TFontStyle : quint8
{
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFontStyles)

// A named display style of one role of a highlighter (comment, string, keyword...): foreground
// and background colour (clNone: the editor's colour applies) and a font style. Writing a
// colour or the style with a new value notifies the OnChange handler with this attribute as
// sender; a highlighter binds that handler to its own change notification.
class THighlighterAttributes
{
public:
    using TChangeHandler = std::function<void(THighlighterAttributes *sender)>;

    THighlighterAttributes(const QString &name, const QString &friendlyName);
    THighlighterAttributes(const THighlighterAttributes &) = delete;
    THighlighterAttributes &operator=(const THighlighterAttributes &) = delete;
    virtual ~THighlighterAttributes() = default;

    // Copies Name, then the colours and the style as AssignColorAndStyle does.
    virtual void Assign(const THighlighterAttributes &source);
    // Copies both colours and the style; notifies once when any of them changed.
    void AssignColorAndStyle(const THighlighterAttributes &source);

    TColor Background() const { return fBackground; }
    void SetBackground(TColor value);
    TColor Foreground() const { return fForeground; }
    void SetForeground(TColor value);
    TFontStyles Style() const { return fStyle; }
    void SetStyle(TFontStyles value);
    // The style as bits 1 bold, 2 italic, 4 underline, 8 strike-out.
    int IntegerStyle() const;
    void SetIntegerStyle(int value);

    const QString &Name() const { return fName; }
    const QString &FriendlyName() const { return fFriendlyName; }

    TColor BackgroundDefault() const { return fBackgroundDefault; }
    TColor ForegroundDefault() const { return fForegroundDefault; }
    TFontStyles StyleDefault() const { return fStyleDefault; }
    // Records the current colours and style as the defaults.
    void InternalSaveDefaultValues();
    // The stored tests of the three published properties: true when they differ from the
    // recorded defaults.
    bool IsBackgroundStored() const { return fBackground != fBackgroundDefault; }
    bool IsForegroundStored() const { return fForeground != fForegroundDefault; }
    bool IsStyleStored() const { return fStyle != fStyleDefault; }

    const TChangeHandler &OnChange() const { return fOnChange; }
    void SetOnChange(TChangeHandler handler) { fOnChange = std::move(handler); }

    // The INI form: a section named Name with the integer keys "Background", "Foreground" and
    // "Style". Loading fails when the section is missing or empty; a key that is missing
    // leaves its property unchanged.
    bool LoadFromFile(QSettings &ini);
    bool SaveToFile(QSettings &ini) const;
    // The registry form: a subkey named Name of parentKey (its parts separated by
    // backslashes) with the same three values, in the settings store. Loading fails when the
    // subkey does not exist and throws bp::Error("Invalid data type for '<value>'") for a
    // value that holds no integer; saving fails when the store cannot be written, and throws
    // the store's error when writing goes wrong.
    bool LoadFromRegistry(SettingsStore &store, const QString &parentKey);
    bool SaveToRegistry(SettingsStore &store, const QString &parentKey) const;

    // The settings group of a registry key path: backslashes become "/", outer ones dropped.
    static QString settingsGroup(const QString &keyPath);

protected:
    virtual void AttributeChanged();

private:
    TColor fBackground = clNone;
    TColor fBackgroundDefault = clNone;
    TColor fForeground = clNone;
    TColor fForegroundDefault = clNone;
    QString fFriendlyName;
    QString fName;
    TFontStyles fStyle;
    TFontStyles fStyleDefault;
    TChangeHandler fOnChange;
};

} // namespace bp
