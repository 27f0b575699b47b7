#include "ui/Form_Shadow.h"

namespace purgeon {

void TFrm_Shadow::Interface_ShadowFormShowModal(std::uint32_t dwFormIndex) {
    m_dwShowModalFormIndex = dwFormIndex;
    view_.ShowOverlayModal();
}

void TFrm_Shadow::FormShow() {
    view_.PlaceOverMainWindow();
    view_.EnableTimer(true);
}

void TFrm_Shadow::Timer1Timer() {
    view_.EnableTimer(false);
    clock_.Sleep(50);
    if (m_dwShowModalFormIndex == kAboutWindow) view_.ShowAboutModal();
    view_.CloseOverlay();
}

}  // namespace purgeon
