#!/usr/bin/env bash
# Makes the sample game's closing movie, movies/ending.webm: the last train's lit windows
# drawing away into the night, 3 s at 320x240 with its fading rumble. Needs ffmpeg.
#
# The movie is committed (about 60 KB); run this again only to change it:
#     samples/demo/make_movie.sh
set -euo pipefail
cd "$(dirname "$0")"

seconds=3
# Where the train is at time T: it shrinks toward a point on the horizon as it leaves.
scale="(1-T/3.4)"
centre_y="(150-40*(1-$scale))"
half_h="(22*$scale)"
left="(20+230*(1-$scale))"
right="($left+280*$scale)"
cell="(28*$scale)"
lit="lt(abs(Y-$centre_y),$half_h)*gte(X,$left)*lte(X,$right)*lt(mod(X-$left,$cell),0.72*$cell)"
sky="(18+30*Y/240)"
stars="gt(mod(abs(sin(X*12.9898+Y*78.233))*43758.5,1),0.997)*lt(Y,120)*180"
river="gt(Y,200)*lt(abs(X-(($left+$right)/2)),($right-$left)/2)*(10+6*sin(Y*1.3+T*6))*$scale"

ffmpeg -y -loglevel error \
  -f lavfi -i "color=c=black:s=320x240:r=25:d=$seconds,format=rgb24,geq=r='min(255,$sky*0.5+$stars+$lit*230+$river*5)':g='min(255,$sky*0.6+$stars+$lit*185+$river*4)':b='min(255,$sky*1.6+$stars+$lit*80+$river*1)',fade=t=in:st=0:d=0.4,fade=t=out:st=2.3:d=0.7" \
  -f lavfi -i "anoisesrc=color=brown:amplitude=0.6:sample_rate=22050:duration=$seconds,lowpass=f=240,afade=t=out:st=0.3:d=2.7" \
  -c:v libvpx -b:v 120k -auto-alt-ref 0 -c:a libvorbis -q:a 1 -ac 1 \
  -shortest movies/ending.webm
