#!/usr/bin/env bash
# Makes the sample game's closing movie, movies/ending.webm: the last train's lit windows
# drawing away along the far bank of the river at night, under the moon, 3 s at the game's
# 800x600 with its fading rumble. Needs ffmpeg (a few minutes: every pixel is computed).
#
# The movie is committed (about 250 KB); run this again only to change it:
#     samples/demo/make_movie.sh
set -euo pipefail
cd "$(dirname "$0")"

seconds=3
# Where the train is at time T: it shrinks toward a point on the horizon as it leaves,
# running on the rails along the top of the far bank (y 430).
scale="(1-T/3.4)"
half_h="(55*$scale)"
centre_y="(426-1.5*$half_h)"
left="(50+575*(1-$scale))"
right="($left+700*$scale)"
cell="(70*$scale)"
# The carriages' dark bodies, four windows long with a gap between them, and their windows.
body="lt(abs(Y-$centre_y),1.5*$half_h)*gte(X,$left-8*$scale)*lte(X,$right+8*$scale)*lt(mod(X-$left+0.14*$cell,4*$cell),3.9*$cell)"
lit="lt(abs(Y-$centre_y+0.3*$half_h),0.6*$half_h)*gte(X,$left)*lte(X,$right)*lt(mod(X-$left,$cell),0.72*$cell)"
moon="lt(hypot(X-140,Y-110),28)"
stars="gt(mod(abs(sin(X*12.9898+Y*78.233))*43758.5,1),0.9985)*lt(Y,380)*180"
sky="(18+30*Y/430)"
rails="between(Y,428,431)"
bank="between(Y,431,470)"
# The river throws back the windows and the moon in broken lines that run with the water.
ripple="sin(Y*0.9+T*5+sin(X/30)*2)"
depth="(1-(Y-470)/160)"
windows="lt(abs(X-($left+$right)/2),($right-$left)/2)*gt($ripple,0.75)*$scale*$depth"
glint="lt(abs(X-140),10+(Y-470)/6)*gt($ripple,0.5)*$depth"
water="gt(Y,470)"

# One colour channel: the moon, else the train, else rails, bank or water, else the sky.
channel() {  # moon train_body train_window rails bank water window_glint moon_glint sky_factor
  echo "if($moon,$1,if($body,$2+$lit*$3,if($rails,$4,if($bank,$5,if($water,$6+$windows*$7+$glint*$8,min(255,$sky*$9+$stars))))))"
}
red=$(channel 250 26 204 60 14 10 190 170 0.5)
green=$(channel 245 26 159 60 14 14 150 165 0.6)
blue=$(channel 215 38 42 72 22 34 60 140 1.6)

ffmpeg -y -loglevel error \
  -f lavfi -i "color=c=black:s=800x600:r=25:d=$seconds,format=rgb24,geq=r='$red':g='$green':b='$blue',fade=t=in:st=0:d=0.4,fade=t=out:st=2.3:d=0.7" \
  -f lavfi -i "anoisesrc=color=brown:amplitude=0.6:sample_rate=22050:duration=$seconds,lowpass=f=240,afade=t=out:st=0.3:d=2.7" \
  -c:v libvpx -b:v 600k -auto-alt-ref 0 -c:a libvorbis -q:a 1 -ac 1 \
  -shortest movies/ending.webm
