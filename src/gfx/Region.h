#pragma once

#include "core/Object.h"
#include "platform/PixelRegion.h"

#include <memory>

namespace lang {

class Rectangle;

// A clip or dirty region. Without a handle it is the empty region, which
// intersects() treats as "no restriction"; the first rectangle added creates
// the handle.
class Region : public Object {
    LANG_CLASS(Region, Object);

    Region() = default;
    Region(const Region& other);
    ~Region() override;

    virtual void add(int x, int y, int w, int h);
    virtual void add(const Rectangle& r);
    virtual void offset(int dx, int dy);
    // Deletes the handle.
    virtual void clear();
    // False for a rectangle of zero or negative width or height; true when the
    // region has no handle; otherwise whether any part of r lies in it.
    virtual bool intersects(const Rectangle& r) const;
    // The handle, null for the empty region. The region keeps it.
    virtual platform::PixelRegion* getHandle() const { return handle.get(); }

    // Replaces the region by a copy of `pixels`.
    void set(const platform::PixelRegion& pixels);

private:
    std::unique_ptr<platform::PixelRegion> handle;
};

} // namespace lang
