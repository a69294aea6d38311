// Touch as mouse input: a tap is a left click, a touch held still for 500 ms a right click, a
// one-finger drag a left drag, a two-finger drag a right drag, a pinch the wheel. In Vertices
// mode one finger aims while it moves and clicks where it lifts, and a pinch moves the 3-D
// pointer in proportion to the fingers' spread. Two fingers tapping twice reset the view.
(() => {
'use strict';

const page = window.vxPage;
const holdMs = 500;
const stillPx = 8;          // a finger that moves less than this is holding still
const pinchStep = 1.25;     // a wheel notch zooms by this much
const verticesMode = 1;
const viewModes = new Set([0, 3]);  // Rotate and Camera: their "z" resets the view
const doubleTapMs = 400;
const pinchUnits = 200;     // 3-D pointer units of a pinch across the whole picture
const shiftNotchUnits = 10; // units of a Shift+wheel notch in Vertices mode
const buttonOf = { 1: 0, 2: 2 };

const gesture = {
  kind: 'none',  // none, waiting (one finger, not yet a tap, hold or drag), left, two, right, pinch
  start: null,   // where the gesture began (client pixels)
  last: null,
  spread: 0,     // distance between two fingers at the last wheel notch
  timer: 0,
  twoTapAt: -Infinity,  // when two fingers last tapped without moving
};

// The browser cuts a mouse event's place to whole CSS pixels: the finger's own goes beside it.
function mouse(type, at, bit) {
  const event = new MouseEvent(type, {
    bubbles: true, cancelable: true, view: window, button: buttonOf[bit] || 0, clientX: at.x, clientY: at.y,
  });
  event.vxPlace = { x: at.x, y: at.y };
  page.canvas.dispatchEvent(event);
}

function press(bit, at) {
  mouse('mousemove', at, 0);
  mouse('mousedown', at, bit);
}

function wheel(notches, shiftKey = false) {
  for (let i = 0; i < Math.abs(notches); i++) {
    page.canvas.dispatchEvent(new WheelEvent('wheel', { bubbles: true, cancelable: true, shiftKey, deltaY: notches > 0 ? -100 : 100 }));
  }
}

const aiming = () => page.mode === verticesMode;

const pointOf = (touch) => ({ x: touch.clientX, y: touch.clientY });
const distance = (a, b) => Math.hypot(a.x - b.x, a.y - b.y);
const middle = (a, b) => ({ x: (a.x + b.x) / 2, y: (a.y + b.y) / 2 });

// Ends whatever the gesture holds down, where it last was.
function release() {
  clearTimeout(gesture.timer);
  if (gesture.kind === 'left') mouse('mouseup', gesture.last, 1);
  if (gesture.kind === 'right') mouse('mouseup', gesture.last, 2);
  gesture.kind = 'none';
}

function startOne(at) {
  gesture.kind = aiming() ? 'aiming' : 'waiting';
  gesture.start = gesture.last = at;
  if (gesture.kind === 'aiming') mouse('mousemove', at, 0);
  gesture.timer = setTimeout(() => {
    if (gesture.kind !== 'waiting' && gesture.kind !== 'aiming') return;
    press(2, gesture.start);
    mouse('mouseup', gesture.start, 2);
    gesture.kind = 'held';
  }, holdMs);
}

function startTwo(a, b) {
  release();
  gesture.kind = 'two';
  gesture.start = gesture.last = middle(a, b);
  gesture.spread = distance(a, b);
}

// Two fingers become a pinch when their spread changes first, a right drag when they move first.
function moveTwo(a, b) {
  const at = middle(a, b);
  const spread = distance(a, b);
  if (gesture.kind === 'two') {
    if (Math.abs(spread - gesture.spread) > 3 * stillPx) gesture.kind = 'pinch';
    else if (distance(at, gesture.start) > stillPx) {
      press(2, gesture.start);
      gesture.kind = 'right';
    }
  }
  if (gesture.kind === 'right') mouse('mousemove', at, 0);
  if (gesture.kind === 'pinch' && aiming()) {
    // The spread's change as a share of the picture's width, in Shift+wheel notches of ten
    // units; the pointer goes to between the fingers first, as a Shift+wheel steps only there.
    const perNotch = (page.canvas.getBoundingClientRect().width * shiftNotchUnits) / pinchUnits;
    const notches = Math.trunc((spread - gesture.spread) / perNotch);
    if (notches !== 0) {
      mouse('mousemove', at, 0);
      wheel(notches, true);
      gesture.spread += notches * perNotch;
    }
  } else if (gesture.kind === 'pinch') {
    const notches = Math.trunc(Math.log(spread / gesture.spread) / Math.log(pinchStep));
    if (notches !== 0) {
      wheel(notches);
      gesture.spread *= pinchStep ** notches;
    }
  }
  gesture.last = at;
}

function moveOne(at) {
  if (gesture.kind === 'aiming') {
    if (distance(at, gesture.start) > stillPx) clearTimeout(gesture.timer);
    mouse('mousemove', at, 0);
  }
  if (gesture.kind === 'waiting' && distance(at, gesture.start) > stillPx) {
    clearTimeout(gesture.timer);
    press(1, gesture.start);
    gesture.kind = 'left';
  }
  if (gesture.kind === 'left') mouse('mousemove', at, 0);
  gesture.last = at;
}

const oneFinger = (kind) => kind === 'waiting' || kind === 'left' || kind === 'aiming';

// The loupe follows one finger; two fingers turn or zoom, and need none.
function magnify(touches) {
  page.magnify(touches.length === 1 && oneFinger(gesture.kind) ? touches[0] : null);
}

function onTouchStart(event) {
  event.preventDefault();  // no mouse events of the browser's own after the touch
  page.canvas.focus();
  const touches = [...event.touches].map(pointOf);
  if (touches.length === 1 && gesture.kind === 'none') startOne(touches[0]);
  else if (touches.length === 2 && oneFinger(gesture.kind)) startTwo(touches[0], touches[1]);
  magnify(touches);
}

function onTouchMove(event) {
  event.preventDefault();
  const touches = [...event.touches].map(pointOf);
  if (touches.length >= 2) moveTwo(touches[0], touches[1]);
  else if (touches.length === 1 && oneFinger(gesture.kind)) moveOne(touches[0]);
  magnify(touches);
}

// Two fingers tapping twice reset the view, as "z" does in Rotate and Camera mode.
function twoFingerTap() {
  const now = performance.now();
  if (now - gesture.twoTapAt < doubleTapMs && viewModes.has(page.mode)) {
    page.sendKey('z');
    gesture.twoTapAt = -Infinity;
  } else {
    gesture.twoTapAt = now;
  }
}

function onTouchEnd(event) {
  event.preventDefault();
  page.magnify(null);
  if (event.touches.length === 0 && gesture.kind === 'two') twoFingerTap();
  if (event.touches.length > 0 && !oneFinger(gesture.kind)) return;
  if (gesture.kind === 'aiming') {
    clearTimeout(gesture.timer);
    press(1, gesture.last);
    mouse('mouseup', gesture.last, 1);
    gesture.kind = 'none';
    return;
  }
  if (gesture.kind === 'waiting') {
    clearTimeout(gesture.timer);
    press(1, gesture.start);
    mouse('mouseup', gesture.start, 1);
    gesture.kind = 'none';
    return;
  }
  release();
}

page.startTouch = () => {
  const canvas = page.canvas;
  canvas.addEventListener('touchstart', onTouchStart, { passive: false });
  canvas.addEventListener('touchmove', onTouchMove, { passive: false });
  canvas.addEventListener('touchend', onTouchEnd, { passive: false });
  canvas.addEventListener('touchcancel', (event) => {
    event.preventDefault();
    page.magnify(null);
    release();
  }, { passive: false });
};
})();
