#include "gui/gui_picture.h"

std::unique_ptr<CSprite> MakePicture(const char* texture, const FRect& rect)
{
    auto sprite = std::make_unique<CSprite>();
    sprite->SetTexture(texture);
    const CTexturePtr& tex = sprite->GetRenderer() ? sprite->GetRenderer()->GetTexture() : CTexturePtr();
    FRect tex_rect{0.0f, 0.0f, rect.Width(), rect.Height()};
    if (tex && tex->IsLoaded()) tex_rect = FRect{0.0f, 0.0f, tex->GetWidth(), tex->GetHeight()};
    sprite->SetRects(rect, tex_rect);
    return sprite;
}
