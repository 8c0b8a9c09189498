// The window's builder: the skin's image lists and fonts, then every control
// with its box and properties, set in the stored order inside the control's
// loading bracket (plain properties first, the image list last), then Loaded.
#include "frontend/MainForm.h"

#include "controls/ZylButton.h"
#include "controls/ZylFont.h"
#include "controls/ZylImage.h"
#include "controls/ZylKnob.h"
#include "controls/ZylLabel.h"
#include "controls/ZylProgressBar.h"
#include "controls/ZylSlider.h"
#include "controls/ZylVUMeter.h"
#include "frontend/VxHints.h"
#include "skin/DeckLayout.h"
#include "skin/SkinFiles.h"

namespace {

template <typename Control>
Control* Place(QWidget* parent, const char* name, const VxDeck::TDeckBox& box) {
    auto* control = new Control(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->BeginLoading();
    control->SetBounds(box.Left, box.Top, box.Width, box.Height);
    const std::string_view hint = vxhints::HintFor(name);
    if (!hint.empty()) {
        control->SetHint(QString::fromUtf8(hint.data(), static_cast<qsizetype>(hint.size())));
        control->SetShowHint(true);
    }
    return control;
}

// Ends the control's loading bracket with its image list, so that Loaded
// sees every property at once.
template <typename Control> Control* Finish(Control* control, TZylImageList* images) {
    if (images != nullptr)
        control->SetImages(images);
    control->EndLoading();
    return control;
}

TZylButton* MakeButton(QWidget* parent, const char* name, const VxDeck::TDeckBox& box,
                       TZylImageList* images, int numStatus = 1, bool mouseUpAsClick = false) {
    auto* button = Place<TZylButton>(parent, name, box);
    button->SetNumStatus(numStatus);
    button->SetMouseUpAsClick(mouseUpAsClick);
    return Finish(button, images);
}

TZylLabel* MakeLabel(QWidget* parent, const char* name, const VxDeck::TDeckBox& box, TZylFont* font,
                     const char* caption) {
    auto* label = Place<TZylLabel>(parent, name, box);
    label->SetAutoSize(false);
    label->SetBackgroundColor(VxDeck::LcdBackgroundColor);
    label->SetCaption(QString::fromLatin1(caption));
    label->SetFont(font);
    label->EndLoading();
    return label;
}

void MakeBlinking(TZylLabel* label, const char* blinkText) {
    label->SetBlinkText(QString::fromLatin1(blinkText));
    label->SetBlinkTimeOn(350);
    label->SetBlinkTimeOff(200);
}

} // namespace

// Owns the image lists while the deck is put together.
class TDeckBuilder {
public:
    explicit TDeckBuilder(TMainForm& form) : form_(form) {}

    TZylImageList* List(const VxSkin::TSkinStrip& strip) {
        auto list = std::make_unique<TZylImageList>();
        Load(*list, strip);
        return Keep(std::move(list));
    }

    TZylFont* Font(const VxSkin::TSkinStrip& strip, const QString& charSet) {
        auto font = std::make_unique<TZylFont>();
        font->BeginLoading();
        Load(*font, strip);
        font->SetCharSet(charSet);
        font->EndLoading();
        return Keep(std::move(font));
    }

private:
    static void Load(TZylImageList& list, const VxSkin::TSkinStrip& strip) {
        list.BeginLoading();
        list.setObjectName(QString::fromLatin1(strip.Name));
        list.LoadBitmapFromFile(QString::fromLatin1(strip.Resource));
        list.SetCount(strip.Count);
        list.SetVariableSize(strip.VariableSize);
        if (strip.VariableSize)
            list.SetBoundColor(VxSkin::FontBoundColor);
        list.EndLoading();
    }

    template <typename List> List* Keep(std::unique_ptr<List> list) {
        List* raw = list.get();
        form_.imageLists_.push_back(std::move(list));
        return raw;
    }

    TMainForm& form_;
};

void TMainForm::BuildDeck() {
    namespace D = VxDeck;
    namespace S = VxSkin;
    TDeckBuilder skin(*this);
    TZylFont* lcdBig = skin.Font(S::LcdBig, QString::fromLatin1(S::LcdBigCharSet));
    TZylFont* lcdSmall = skin.Font(S::LcdSmall, QString::fromLatin1(S::LcdSmallCharSet));
    // The message fonts hold the printable bytes of Windows-1252 from 0x20
    // to 0x7E and 0xA1 to 0xFF, which are the same code points in Latin-1.
    const QString serifCharSet = QString::fromLatin1(S::MsSerifCharSet());
    TZylFont* serifGreen = skin.Font(S::MsSerifGreen, serifCharSet);
    TZylFont* serifBoldWhite = skin.Font(S::MsSerifBoldWhite, serifCharSet);

    Background =
        Finish(Place<TZylImage>(this, "Background", D::Background), skin.List(S::Background));
    TitleBar = Finish(Place<TZylImage>(this, "TitleBar", D::TitleBar), skin.List(S::TitleBar));

    Title = Place<TZylLabel>(this, "Title", D::Title);
    Title->SetAutoSize(false);
    Title->SetAutoHint(true);
    Title->SetAutoCrop(true);
    Title->SetTransparent(true);
    Title->SetTransparentColor(D::TitleTransparentColor);
    Title->SetFont(serifBoldWhite);
    Title->EndLoading();

    SysMenu = Finish(Place<TZylImage>(this, "SysMenu", D::SysMenu), skin.List(S::SysMenu));
    btnConfig = MakeButton(this, "btnConfig", D::btnConfig, skin.List(S::BtnConfig), 1, true);
    btnHelp = MakeButton(this, "btnHelp", D::btnHelp, skin.List(S::BtnHelp), 2);
    btnMinimize = MakeButton(this, "btnMinimize", D::btnMinimize, skin.List(S::BtnMinimize));
    btnClose = MakeButton(this, "btnClose", D::btnClose, skin.List(S::BtnClose));

    VMetter = Place<TZylVUMeter>(this, "VMetter", D::VMetter);
    VMetter->SetMode(vmAveragedDual);
    VMetter->SetMaxValue(100);
    VMetter->SetRedValue(75);
    VMetter->SetPeaks(true);
    VMetter->SetLevelFallOff(0.4f);
    VMetter->SetLevelUpFallOff(0.8f);
    VMetter->SetPeakFallOff(0.05f);
    VMetter->SetAutoFallOff(0.3f);
    VMetter->SetLevelKeepCycles(2);
    VMetter->SetPeakKeepCycles(4);
    VMetter->SetBackgroundColor(D::VMetterBackgroundColor);
    Finish(VMetter, skin.List(S::LedVU));

    Balance = Place<TZylKnob>(this, "Balance", D::Balance);
    Balance->SetMinValue(-100);
    Balance->SetMaxValue(100);
    Finish(Balance, skin.List(S::KnobBalance));

    DownMix = Place<TZylKnob>(this, "DownMix", D::DownMix);
    DownMix->SetMinValue(-1);
    DownMix->SetMaxValue(1);
    DownMix->SetMoveRange(30);
    DownMix->SetDefaultEnabled(false);
    DownMix->SetCtrlEnabled(false);
    DownMix->SetVisible(false);
    Finish(DownMix, skin.List(S::KnobDownMix));

    Volume = Place<TZylSlider>(this, "Volume", D::Volume);
    Volume->SetMinValue(0);
    Volume->SetMaxValue(100);
    Volume->SetValue(100);
    Volume->SetReverse(true);
    Finish(Volume, skin.List(S::ThumbVolume));

    btnMute = MakeButton(this, "btnMute", D::btnMute, skin.List(S::BtnMute));
    btnOpen = MakeButton(this, "btnOpen", D::btnOpen, skin.List(S::BtnOpen), 1, true);
    btnAux1 = MakeButton(this, "btnAux1", D::btnAux1, skin.List(S::BtnAux1));
    btnAux2 = MakeButton(this, "btnAux2", D::btnAux2, skin.List(S::BtnAux2));
    btnRealTime = MakeButton(this, "btnRealTime", D::btnRealTime, skin.List(S::BtnRealTime), 2);
    btnTime = MakeButton(this, "btnTime", D::btnTime, skin.List(S::BtnTime), 2);
    btnKeyLock = MakeButton(this, "btnKeyLock", D::btnKeyLock, skin.List(S::BtnKeyLock), 2);

    LabelValue = MakeLabel(this, "LabelValue", D::LabelValue, lcdSmall, vxdisplay::kValueBlank);
    LabelPitch = MakeLabel(this, "LabelPitch", D::LabelPitch, lcdSmall, vxdisplay::kPitchInitial);
    LabelTrack = MakeLabel(this, "LabelTrack", D::LabelTrack, lcdBig, vxdisplay::kTrackNone);
    LabelTimeMMSS =
        MakeLabel(this, "LabelTimeMMSS", D::LabelTimeMMSS, lcdBig, vxdisplay::kTimeMMSSInitial);
    MakeBlinking(LabelTimeMMSS, vxdisplay::kTimeMMSSInitial);
    LabelTimeCS =
        MakeLabel(this, "LabelTimeCS", D::LabelTimeCS, lcdSmall, vxdisplay::kTimeCSInitial);
    MakeBlinking(LabelTimeCS, vxdisplay::kTimeCSInitial);
    LabelMessage1 = MakeLabel(this, "LabelMessage1", D::LabelMessage1, serifGreen, "");
    LabelMessage2 =
        MakeLabel(this, "LabelMessage2", D::LabelMessage2, serifGreen, vxdisplay::kInitialLine2);

    btnPrev = MakeButton(this, "btnPrev", D::btnPrev, skin.List(S::BtnPrev), 1, true);
    btnNext = MakeButton(this, "btnNext", D::btnNext, skin.List(S::BtnNext), 1, true);
    btnRW = MakeButton(this, "btnRW", D::btnRW, skin.List(S::BtnRW));
    btnFF = MakeButton(this, "btnFF", D::btnFF, skin.List(S::BtnFF));
    btnCUE = MakeButton(this, "btnCUE", D::btnCUE, skin.List(S::BtnCUE), 2);
    btnPlay = MakeButton(this, "btnPlay", D::btnPlay, skin.List(S::BtnPlay), 2);
    btnSlow = MakeButton(this, "btnSlow", D::btnSlow, skin.List(S::BtnSlow));
    btnFast = MakeButton(this, "btnFast", D::btnFast, skin.List(S::BtnFast));

    Pitch = Place<TZylSlider>(this, "Pitch", D::Pitch);
    Pitch->SetMinValue(-16000);
    Pitch->SetMaxValue(16000);
    Pitch->SetPageSize(1000);
    Pitch->SetCtrlEnabled(true);
    Finish(Pitch, skin.List(S::ThumbPitch));

    TouchBend = Place<TZylKnob>(this, "TouchBend", D::TouchBend);
    TouchBend->SetMinValue(-5000);
    TouchBend->SetMaxValue(5000);
    TouchBend->SetMoveRange(100);
    Finish(TouchBend, skin.List(S::KnobTouchBend));

    LedPitch = Finish(Place<TZylImage>(this, "LedPitch", D::LedPitch), skin.List(S::LedPitch));

    Position = Place<TZylSlider>(this, "Position", D::Position);
    Position->SetOrientation(soHorizontal);
    Position->SetMinValue(0);
    Position->SetMaxValue(100);
    Finish(Position, skin.List(S::ThumbPosition));

    TZylImageList* progressLeds = skin.List(S::LedProgress);
    Progress = Place<TZylProgressBar>(this, "Progress", D::Progress);
    Progress->SetBackgroundColor(D::ProgressBackgroundColor);
    Finish(Progress, progressLeds);
    Buffer = Finish(Place<TZylProgressBar>(this, "Buffer", D::Buffer), progressLeds);

    imgLogoClick =
        Finish(Place<TZylImage>(this, "imgLogoClick", D::imgLogoClick), skin.List(S::Logo));
}
