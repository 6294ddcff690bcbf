// The menu bar of a window: bands (menus and tool bars) holding tools (commands).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tolm/bitmap.h"
#include "tolm/export.h"
#include "tolm/object.h"

namespace tolm {

// Mask colour that marks the transparent pixels of a tool image (silver).
inline constexpr int32_t ToolImageMaskColor = 0xC0C0C0;

// One command. A tool in a band is that band's own copy: changing it changes no
// other band's tool of the same key.
class TOLM_SDK_API ITool : public Object {
public:
    ~ITool() override;
    virtual std::string Key() const = 0;
    // Gives the tool a new key; a click on it is then reported under the new key.
    virtual void SetKey(const std::string& key) = 0;
    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string& text) = 0;
    virtual std::string ToolTipText() const = 0;
    virtual void SetToolTipText(const std::string& text) = 0;
    virtual std::string Description() const = 0;
    virtual void SetDescription(const std::string& text) = 0;
    // 0: the host's default; 13: image and text.
    virtual int32_t Style() const = 0;
    virtual void SetStyle(int32_t style) = 0;
    virtual bool Visible() const = 0;
    virtual void SetVisible(bool value) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool value) = 0;
    // The third display flag: the caption is shown beside the image on a tool bar.
    virtual bool ShowCaption() const = 0;
    virtual void SetShowCaption(bool value) = 0;
    // The tick state.
    virtual bool Checked() const = 0;
    virtual void SetChecked(bool value) = 0;
    // Takes the tool's image (slot `index`) from the bitmap on the clipboard; pixels
    // of `maskColor` become transparent. Raises InvalidProcedureCall when the
    // clipboard holds no bitmap.
    virtual void SetPictureFromClipboard(int32_t index, int32_t maskColor) = 0;
    // Takes the tool's image (slot `index`) from `picture` itself, leaving the
    // clipboard alone; pixels of `maskColor` become transparent. Raises
    // InvalidProcedureCall for a malformed picture or a negative slot.
    virtual void SetPicture(int32_t index, const Bitmap& picture, int32_t maskColor) = 0;
};

// The tools of a band, or the menu bar's global tools. Keys are compared without
// regard to letter case.
class TOLM_SDK_API ITools : public Object {
public:
    ~ITools() override;
    virtual int32_t Count() const = 0;
    // Raises ObjectNotFound when no tool has the key.
    virtual std::shared_ptr<ITool> Item(const std::string& key) const = 0;
    // 1-based; raises SubscriptOutOfRange.
    virtual std::shared_ptr<ITool> ItemAt(int32_t index) const = 0;
    // Global tools only: creates a tool under a new key (hidden until inserted into a
    // band). Raises DuplicateKey when the key is taken, NotSupported on a band.
    virtual std::shared_ptr<ITool> Add(const std::string& key) = 0;
    // Band tools only: puts a copy of `tool` just before the band's tool `atKey` and
    // returns the copy. Raises ObjectNotFound when the band has no tool `atKey`; a
    // tool of the same key already in the band is replaced.
    virtual std::shared_ptr<ITool> Insert(const std::string& atKey, const std::shared_ptr<ITool>& tool) = 0;
};

class TOLM_SDK_API IBand : public Object {
public:
    ~IBand() override;
    virtual std::string Key() const = 0;
    virtual std::string Caption() const = 0;
    virtual std::shared_ptr<ITools> Tools() const = 0;
};

// Bands are found by key without regard to letter case ("menu" and "Menu" are the
// main menu).
class TOLM_SDK_API IMenuBar : public Object {
public:
    ~IMenuBar() override;
    // Raises ObjectNotFound when no band has the key.
    virtual std::shared_ptr<IBand> Band(const std::string& key) const = 0;
    virtual int32_t BandCount() const = 0;
    // 1-based; raises SubscriptOutOfRange.
    virtual std::shared_ptr<IBand> BandAt(int32_t index) const = 0;
    // The global tool collection, where new tools are added.
    virtual std::shared_ptr<ITools> Tools() const = 0;
};

}  // namespace tolm
