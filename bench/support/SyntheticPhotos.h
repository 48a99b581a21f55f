#pragma once

#include <QImage>
#include <QStringList>

class QDir;

// Smooth gradients with fine noise, so that a JPEG of it has a photograph's size
// and detail. The seed shifts the colours, so files of different seeds differ.
QImage syntheticPhoto(int seed, int width = 4000, int height = 3000);

// Writes `count` such photos as "photo<i>.jpg" (quality 90) into `dir` and
// answers their paths; aborts the run when one can't be written.
QStringList writeSyntheticPhotos(const QDir& dir, int count, int width = 4000, int height = 3000);
