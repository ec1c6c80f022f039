// SPDX-License-Identifier: MIT
// Debian's Chromium, headless, as the page's tests, benchmark and screenshot start it:
// without the sandbox (they run as root in CI), the GPU or any connection of its own,
// which this machine's closed network would refuse, each run in a fresh profile.
import puppeteer from 'puppeteer-core';

export function launchChromium(profileFolder, { executable, extraArgs = [] } = {}) {
  return puppeteer.launch({
    executablePath: executable ?? process.env.QZB_CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: [
      '--no-sandbox',
      '--disable-gpu',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
      '--no-first-run',
      ...extraArgs,
      `--user-data-dir=${profileFolder}`,
    ],
  });
}
