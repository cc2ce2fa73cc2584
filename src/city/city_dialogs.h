// The dialogs of the city: the shop with its construction slots and description pages, the epoch
// complete panel with its growing ring, the all epochs complete panel, the game end warning, the
// game complete and game won dialogs, and the relax screen the city and the menu both show.
#pragma once

#include "city/city_depot.h"
#include "game/game_bonuspanel.h"
#include "gui/gui_dialog.h"

#include <memory>
#include <string>
#include <vector>

class CGameTopPanel;
class CMenuLabel;
class CUser;
class CXMLNode;

// The shop: four construction slots per page of items, each with a picture, a mark that shows the
// construction's description and price while the pointer rests on it, and a buy button that tells
// whether it is bought, can be bought or is too expensive. Result 1: buy the selected item; 3: go on.
class CShopPanel : public CSlideableBaseDialog {
public:
    enum EResult { srBuy = 1, srContinue = 3 };
    static constexpr unsigned kSlots = 4;
    // Colours of a price the player can pay and of one they cannot.
    static constexpr uint32_t kPriceColor = 0xFFFFFFFF;
    static constexpr uint32_t kShortColor = 0xFFCF0E0E;

    bool Load(const CXMLNode& node) override;
    void ClearControls() override;
    void OnShow(bool immediate) override;
    void OnHide(bool immediate) override;
    void OnClick(CBaseControl* control) override;
    void OnMouseEnter(CBaseControl* control) override;
    void OnMouseLeave(CBaseControl* control) override;

    // Takes the current epoch's offer. The page of items is kept when it still exists, so that a
    // purchase does not turn the page back.
    void SetItems(const std::vector<ShopItem>& items);
    // Shows the items from (page * 4); clamped to the pages there are.
    void ShowItemPage(int page);
    // Description page n of "ID_PAGES" (0: none), clamped to its pages.
    void ShowPage(int page);
    void ResetPage();

    // The top panel whose resource indicators blink for a price the player cannot pay (none: no blink).
    void SetTopPanel(CGameTopPanel* panel) { _top_panel = panel; }

    // Index in the item list of the item bought by result 1.
    unsigned GetSelected() const { return _selected; }
    unsigned GetShownCount() const { return _shown; }
    int GetItemPage() const { return _item_page; }
    int GetItemPageCount() const;
    int GetPage() const { return _page; }
    const std::vector<ShopItem>& GetItems() const { return _items; }
    const std::string& GetHoveredMark() const { return _hovered_mark; }
    CMenuLabel* GetPriceLabel(int resource_type) const;

private:
    // The slot (0..3) whose control of that prefix is the control, or -1.
    int SlotOf(const CBaseControl* control, const char* prefix) const;
    void FillSlots();
    void ShowPrice(const ShopItem& item);

    unsigned _shown = 0;
    unsigned _selected = 0;
    int _page = 0;
    int _item_page = 0;
    std::vector<ShopItem> _items;
    std::string _hovered_mark;
    CMenuLabel* _money = nullptr;
    CMenuLabel* _staff = nullptr;
    CMenuLabel* _food = nullptr;
    CGameTopPanel* _top_panel = nullptr;
};

// The end of an epoch: the epoch's page, a ring growing behind it once it is up and a fanfare.
// "ID_OK" hides it with result 1; the all epochs complete and game complete panels share that.
class CEpochCompletePanel : public CSlideableBaseDialog {
public:
    enum EResult { erOk = 1 };

    bool Load(const CXMLNode& node) override;
    void OnShow(bool immediate) override;
    void OnProcessed() override;
    void OnDraw() override;
    void OnClick(CBaseControl* control) override;

    // The page of the epoch just completed (0-based); page 0 beyond the pages there are.
    void SetEpochPage(int epoch);

    const CRing& GetRing() const { return _ring; }
    const std::string& GetSound() const { return _sound; }
    bool IsStarted() const { return _started; }

private:
    CRing _ring;
    std::string _sound;
    bool _started = false;
};

// All seven epochs are built.
class CEpochAllCompletePanel : public CSlideableBaseDialog {
public:
    void OnClick(CBaseControl* control) override;
};

// The last level is played while something can still be bought: "ID_YES" (1) ends the game,
// "ID_NO" (2) goes back to the shop.
class CWarningDialog : public CSlideableBaseDialog {
public:
    enum EResult { wrYes = 1, wrNo = 2 };
    void OnClick(CBaseControl* control) override;
};

// The game ends without the whole city built.
class CGameCompleteDialog : public CSlideableBaseDialog {
public:
    void OnClick(CBaseControl* control) override;
};

// The game won with the whole city built: pages of text turned with "ID_FORWARD" and "ID_BACKWARD";
// "ID_CONTINUE" (1) and "ID_EXIT" (2) hide it.
class CGameWonDialog : public CSlideableBaseDialog {
public:
    enum EResult { gwContinue = 1, gwExit = 2 };

    void OnShow(bool immediate) override;
    void OnClick(CBaseControl* control) override;
    void SetPage(int page);
    int GetPage() const { return _page; }

private:
    int _page = 0;
};

// Two lines over the city, the player's title and name and a message, each fading in, resting,
// fading out, and then the other one; a click, "ID_RELAX" or a key passed by the owner closes it
// (result 3), and it finishes closing once the shown line has faded out.
class CRelaxDialog : public CBaseDialog {
public:
    enum EResult { rrClosed = 3 };
    enum EPhase { fpRising = 0, fpFalling = 1 };
    // Frames a line rests at full strength or stays out before the next line.
    static constexpr int kHoldFrames = 200;

    bool Load(const CXMLNode& node) override;
    void ClearControls() override;
    void OnShow(bool immediate) override;
    void OnHide(bool immediate) override;
    void UpdateTransition() override;
    void OnProcessed() override;
    void OnKey(int key) override;
    void OnClick(CBaseControl* control) override;

    // The owner line: "<title> <name>", or the name alone without a title.
    void UpdateOwner(const CUser& user);
    // One frame of the alternating fade.
    void StepFade();

    int GetPhase() const { return _phase; }
    float GetAlpha() const { return _alpha; }
    float GetStep() const { return _step; }
    int GetDelay() const { return _delay; }
    bool IsFading() const { return _fading; }
    CMenuLabel* GetCurrentLabel() const { return _current; }
    CMenuLabel* GetOwnerLabel() const { return _owner.get(); }
    CMenuLabel* GetMessageLabel() const { return _message.get(); }

private:
    static void SetLabelAlpha(CMenuLabel* label, uint32_t alpha);

    int _phase = fpRising;
    float _alpha = 0.0f;
    float _step = 1.0f;
    int _delay = 0;
    bool _fading = false;
    bool _paused = false;
    CMenuLabel* _current = nullptr;
    std::shared_ptr<CMenuLabel> _owner;
    std::shared_ptr<CMenuLabel> _message;
};
