#include "Platform/QuartzCore/CATiledLayer.h"

#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/Foundation/NSThread.h"

#include <pthread.h>
#include <sched.h>

#include <cmath>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <thread>

namespace {

// The one thread every tiled layer draws its tiles on, while the caller
// waits. Before each hand-off it is moved to the CPU the caller is running
// on, which the caller is about to leave idle: the wake-ups either way stay
// on that CPU instead of waking another one, and the picture the caller has
// just cleared is still in that CPU's caches when the tile draws into it.
// Never destroyed: its thread may still wait on it while the process exits.
class TileWorker {
public:
    static TileWorker& shared()
    {
        static auto* worker = [] {
            NSThread::installExitHook();
            return new TileWorker;
        }();
        return *worker;
    }

    // Runs `draw` on the tile thread and returns when it is done; on the tile
    // thread itself (a tile drawing another tiled layer) it runs at once.
    void run(const std::function<void()>& draw)
    {
        if (t_onTileThread) {
            draw();
            return;
        }
        // Callers on several threads take turns.
        std::lock_guard turn(m_turn);
        std::unique_lock lock(m_lock);
        if (!m_started) {
            std::thread thread([this] { work(); });
            m_thread = thread.native_handle();
            thread.detach();
            m_started = true;
        }
        int cpu = sched_getcpu();
        if (cpu >= 0 && cpu != m_cpu) {
            cpu_set_t set;
            CPU_ZERO(&set);
            CPU_SET(static_cast<size_t>(cpu), &set);
            // Where it cannot move, it still draws, only further away.
            if (pthread_setaffinity_np(m_thread, sizeof set, &set) == 0)
                m_cpu = cpu;
        }
        m_draw = &draw;
        m_done = false;
        // Woken with the lock free, the thread need not wait for it again.
        lock.unlock();
        m_wake.notify_one();
        NSThread::IdleScope idle;
        lock.lock();
        m_finished.wait(lock, [this] { return m_done; });
    }

private:
    void work()
    {
        t_onTileThread = true;
        std::unique_lock lock(m_lock);
        for (;;) {
            m_wake.wait(lock, [this] { return m_draw != nullptr; });
            const auto* draw = m_draw;
            lock.unlock();
            {
                NSThread::BusyScope busy;
                (*draw)();
            }
            lock.lock();
            m_draw = nullptr;
            m_done = true;
            lock.unlock();
            m_finished.notify_one();
            lock.lock();
        }
    }

    static thread_local bool t_onTileThread;
    std::mutex m_turn;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_finished;
    const std::function<void()>* m_draw = nullptr;
    bool m_done = false;
    bool m_started = false;
    pthread_t m_thread {};
    int m_cpu = -1;
};

thread_local bool TileWorker::t_onTileThread = false;

void onTileThread(const std::function<void()>& draw) { TileWorker::shared().run(draw); }

}  // namespace

std::shared_ptr<CATiledLayer> CATiledLayer::layer() { return std::make_shared<CATiledLayer>(); }

CGFloat CATiledLayer::levelScaleForZoom(CGFloat zoom) const
{
    size_t levels = std::max<size_t>(levelsOfDetail, 1);
    double largest = std::ldexp(1.0, static_cast<int>(levelsOfDetailBias));
    double smallest = std::ldexp(largest, -static_cast<int>(levels - 1));
    double scale = largest;
    // Halve while the next level down is still at least as sharp as the zoom.
    while (scale / 2 >= smallest && scale / 2 >= zoom)
        scale /= 2;
    return static_cast<CGFloat>(scale);
}

std::vector<CGRect> CATiledLayer::tilesForRect(CGRect visible, CGFloat levelScale) const
{
    std::vector<CGRect> tiles;
    CGRect area = CGRectIntersection(visible, bounds());
    if (CGRectIsEmpty(area) || levelScale <= 0 || tileSize.width < 1 || tileSize.height < 1)
        return tiles;
    CGFloat w = tileSize.width / levelScale, h = tileSize.height / levelScale;
    CGRect b = bounds();
    long firstColumn = static_cast<long>(std::floor((area.origin.x - b.origin.x) / w));
    long lastColumn = static_cast<long>(std::ceil((CGRectGetMaxX(area) - b.origin.x) / w));
    long firstRow = static_cast<long>(std::floor((area.origin.y - b.origin.y) / h));
    long lastRow = static_cast<long>(std::ceil((CGRectGetMaxY(area) - b.origin.y) / h));
    for (long row = firstRow; row < lastRow; ++row)
        for (long column = firstColumn; column < lastColumn; ++column) {
            CGRect tile = CGRectMake(b.origin.x + column * w, b.origin.y + row * h, w, h);
            tiles.push_back(CGRectIntersection(tile, b));
        }
    return tiles;
}

void CATiledLayer::drawContentInContext(const CGContextRef& context)
{
    drawTilesInContext(context, CGContextGetClipBoundingBox(context));
}

CGContextRef CATiledLayer::tileBitmap(size_t pw, size_t ph)
{
    if (pw == 0 || ph == 0 || pw > CGImageMaxSide || ph > CGImageMaxSide || pw * ph > CGImageMaxPixels)
        return nullptr;
    size_t bytes = pw * ph * 4;
    if (bytes > m_tileMemorySize) {
        m_tileMemory.reset();
        m_tileMemory = std::make_unique_for_overwrite<uint8_t[]>(bytes);
        m_tileMemorySize = bytes;
    }
    // A tile starts clear, as a new picture does, whatever the last one left.
    std::memset(m_tileMemory.get(), 0, bytes);
    uint32_t alpha = isOpaque() ? kCGImageAlphaNoneSkipFirst : kCGImageAlphaPremultipliedFirst;
    uint32_t info = alpha | kCGBitmapByteOrder32Little;
    return CGBitmapContextCreate(m_tileMemory.get(), pw, ph, 8, pw * 4, CGColorSpaceCreateDeviceRGB(), info);
}

void CATiledLayer::drawTileInPlace(const CGContextRef& context, CGRect tile)
{
    CGContextSaveGState(context);
    CGContextClipToRect(context, tile);
    onTileThread([&] { drawInContext(context); });
    CGContextRestoreGState(context);
}

void CATiledLayer::drawTileThroughMemory(const CGContextRef& context, CGRect tile, CGFloat levelScale)
{
    CGAffineTransform ctm = CGContextGetCTM(context);
    CGFloat zoom = std::sqrt(std::fabs(ctm.a * ctm.d - ctm.b * ctm.c));
    if (zoom <= levelScale) {
        // Drawn at the picture's own resolution, on whole device pixels, so the
        // tile is laid down as it is, without resampling.
        CGRect device = CGRectIntegral(CGRectApplyAffineTransform(tile, ctm));
        auto bitmap = tileBitmap(static_cast<size_t>(device.size.width), static_cast<size_t>(device.size.height));
        if (!bitmap)
            return;
        CGContextConcatCTM(
            bitmap, CGAffineTransformConcat(ctm, CGAffineTransformMakeTranslation(-device.origin.x, -device.origin.y)));
        CGContextClipToRect(bitmap, tile);
        onTileThread([&] { drawInContext(bitmap); });
        CGContextSaveGState(context);
        context->state().ctm = CGAffineTransformIdentity;
        context->applyTransform();
        CGContextDrawBitmap(context, device, bitmap);
        CGContextRestoreGState(context);
        return;
    }
    // Sharper than the sharpest level: drawn at that level and enlarged.
    auto bitmap = tileBitmap(static_cast<size_t>(std::ceil(tile.size.width * levelScale)),
        static_cast<size_t>(std::ceil(tile.size.height * levelScale)));
    if (!bitmap)
        return;
    // The layer's space has y downward, as a view's drawing has it.
    CGContextTranslateCTM(bitmap, 0, static_cast<CGFloat>(CGBitmapContextGetHeight(bitmap)));
    CGContextScaleCTM(bitmap, levelScale, -levelScale);
    CGContextTranslateCTM(bitmap, -tile.origin.x, -tile.origin.y);
    CGContextClipToRect(bitmap, tile);
    onTileThread([&] { drawInContext(bitmap); });
    // Upright in a y-downward space: the tile's first row goes to the rectangle's maximum y.
    CGContextSaveGState(context);
    CGContextTranslateCTM(context, tile.origin.x, CGRectGetMaxY(tile));
    CGContextScaleCTM(context, 1, -1);
    CGContextDrawBitmap(context, CGRectMake(0, 0, tile.size.width, tile.size.height), bitmap);
    CGContextRestoreGState(context);
}

void CATiledLayer::drawTilesInContext(const CGContextRef& context, CGRect visible)
{
    if (!context)
        return;
    CGAffineTransform m = CGContextGetCTM(context);
    CGFloat scale = levelScaleForZoom(std::sqrt(std::fabs(m.a * m.d - m.b * m.c)));
    auto tiles = tilesForRect(visible, scale);
    if (tiles.empty())
        return;
    // A tile that shows whole, drawn plainly, may be drawn straight into the
    // picture: its drawing sees the same clip box, and nothing is copied.
    // Translucent or shadowed drawing needs the tile as one picture first.
    const auto& state = context->state();
    bool plain = state.alpha >= 1 && state.blendMode == kCGBlendModeNormal && !context->hasShadow();
    CGRect shown = CGContextGetClipBoundingBox(context);
    // Keeps the layer, and so its delegate's view, for the tiles' drawing.
    auto self = shared_from_this();
    std::lock_guard hold(m_tileLock);
    for (CGRect tile : tiles) {
        if (plain && CGRectContainsRect(shown, tile))
            drawTileInPlace(context, tile);
        else
            drawTileThroughMemory(context, tile, scale);
    }
}
