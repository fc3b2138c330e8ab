#pragma once
// A picture on a page. The item keeps the picture file's bytes exactly as read, with their
// format code, and saves them; the decoded picture used for drawing is rebuilt from those
// bytes whenever the item is made, and turned with the item.
#include "ImageCodec.h"
#include "LabelItem.h"

#include <QString>

#include <memory>

class ImageItem : public LabelItem {
  public:
    // Reads the file and decodes it. On success the picture sits at its natural pixel size
    // with its top-left corner at (x, y). extension is the file name's part after the last
    // dot and selects the format code. On any failure the item has no picture, an all-zero
    // rectangle and decodeOk() false, so the editor can discard it.
    ImageItem(int x, int y, const QString& path, const QString& extension);
    // An item read back from its record: the data as stored, the picture decoded from
    // imageBytes with imageFormat and turned by rotation.
    explicit ImageItem(const ItemData& data);
    // An item read back from its record (see ItemRecord.h), its picture rebuilt as above.
    ImageItem(const std::uint8_t* record, std::size_t length);
    ImageItem(const ImageItem& other);
    ImageItem& operator=(const ImageItem& other);
    ~ImageItem() override;

    // False when the newly chosen file gave no picture.
    bool decodeOk() const { return decodeOk_; }
    // The decoded picture, or nullptr when there is none.
    const ImageCodec* GetPicture() const { return picture_.get(); }
    // Decodes imageBytes again and turns the result by the stored rotation; bytes that no
    // longer decode leave an empty picture that draws nothing.
    void RebuildPicture();

    // The handle's corner moves to (x, y) without constraint: 1 top-left, 2 top-right,
    // 3 bottom-right, 4 bottom-left.
    void Resize(int handle, int x, int y) override;
    // Turns the rectangle as every item does and the decoded picture with it; the stored
    // bytes never change.
    void Rotate90(double angle) override;
    // Stretches the picture into the normalised rectangle.
    void Draw(DeviceContext& dc, bool inProgress) override;

  private:
    std::unique_ptr<ImageCodec> picture_;
    bool decodeOk_ = true;
};
