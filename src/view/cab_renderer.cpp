#include "view/cab_renderer.h"

#include <QPainter>

#include "sim/sim_state.h"

namespace tressmoor::view {

CabRenderer::CabRenderer(const sim::LoadedService& service, const std::filesystem::path&,
                         const std::filesystem::path&)
    : service_(&service), panel_(sim::BuildPanelState(service.train.panel, service.train.spec)) {}

vehicle::StripCells CabRenderer::stripCells() const { return {}; }

void CabRenderer::compose(QImage& target, const QImage* video, const sim::SimState&,
                          const RenderOptions&) {
    QPainter p(&target);
    p.fillRect(target.rect(), Qt::black);
    if (video != nullptr && !video->isNull()) {
        p.drawImage(QRect(0, 0, service_->settings.ViewWidth, service_->settings.ViewHeight), *video);
    }
}

}  // namespace tressmoor::view
