// SPDX-License-Identifier: MIT
// The clock generator's 100 ms timer and the beeper that a redraw with output bit 3 high sounds.

export class Beeper {
  private context: AudioContext | null = null;
  count = 0;

  // Browsers start audio only after the user has interacted with the page.
  unlockOnInput(): void {
    for (const event of ['pointerdown', 'keydown'] as const) {
      document.addEventListener(event, () => this.unlock(), { capture: true });
    }
  }

  private unlock(): void {
    if (!this.context && typeof AudioContext !== 'undefined') this.context = new AudioContext();
    void this.context?.resume();
  }

  beep(count: number): void {
    this.count += count;
    const context = this.context;
    if (!context || context.state !== 'running') return;
    const oscillator = context.createOscillator();
    const gain = context.createGain();
    oscillator.type = 'square';
    oscillator.frequency.value = 880;
    gain.gain.value = 0.05;
    oscillator.connect(gain).connect(context.destination);
    oscillator.start();
    oscillator.stop(context.currentTime + 0.06);
  }
}

// Ticks every 100 ms against the clock, not by counting timer calls, so that late
// timers do not slow the machine; after a long stall (a hidden tab) it resumes
// rather than catching up in a burst. The ticks that fall due together go as one.
export class Timer1 {
  private handle = 0;
  private next = 0;

  constructor(private readonly onTicks: (count: number) => void) {}

  start(): void {
    this.next = performance.now() + 100;
    this.schedule();
  }

  stop(): void {
    clearTimeout(this.handle);
    this.handle = 0;
  }

  private schedule(): void {
    // Rounded up: a timer rounded down would fire before the tick is due, and again for it.
    this.handle = window.setTimeout(() => this.fire(), Math.max(0, Math.ceil(this.next - performance.now())));
  }

  private fire(): void {
    const now = performance.now();
    if (now - this.next > 1000) this.next = now;
    let count = 0;
    for (; this.next <= now; this.next += 100) ++count;
    if (count > 0) this.onTicks(count);
    this.schedule();
  }
}
