#!/usr/bin/python3
"""Tessary's page in headless Chromium and in headless Firefox ESR, served from build/web on
127.0.0.1: a model scaled to the bytes of build/release's tessary-scale, several into a zip by
several workers, the pictures of a model before and after the factors, one row per model, the
drop target and pasted files, the factors kept for the next visit, the factors, lengths and
files tessary-scale refuses refused with its words, the keyboard, narrow screens and a zoomed
page, and no request anywhere while scaling: in both browsers (PageTests). In Chromium alone
(ChromiumPageTest), what needs its DevTools protocol or takes long: a dropped folder, Cancel on
big models, models read in many slices, a file that changed since it was chosen, hostile names,
1001 files, offline use and updates. Saves screenshots to build/ (web-page-BROWSER-*.png), and
the README's picture to docs/web-page.png with TESSARY_UPDATE_SCREENSHOT=1.
TESSARY_BROWSERS=chromium (or firefox) runs one browser's tests only."""

import io
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

from selenium import webdriver
from selenium.common.exceptions import TimeoutException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
sys.path.insert(0, os.path.join(ROOT, 'web'))
from serve import SiteServer  # noqa: E402
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import marionette  # noqa: E402

SITE = os.path.join(ROOT, os.environ.get('TESSARY_WASM_DIR', 'build/web'))
NATIVE = os.path.join(ROOT, os.environ.get('TESSARY_NATIVE_DIR', 'build/release'))
SCALE = os.path.join(NATIVE, 'tessary-scale')


def start_browser(downloads, width=1000, height=1300):
    options = webdriver.ChromeOptions()
    options.binary_location = '/usr/bin/chromium'
    for argument in ('--headless=new', '--no-sandbox', '--disable-gpu',
                     '--window-size=%d,%d' % (width, height)):
        options.add_argument(argument)
    options.add_experimental_option('prefs', {'download.default_directory': downloads,
                                              'download.prompt_for_download': False})
    options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
    driver.execute_cdp_cmd('Browser.setDownloadBehavior',
                           {'behavior': 'allow', 'downloadPath': downloads})
    return driver


class Chromium:
    """Chromium through selenium and its DevTools protocol."""
    name = 'chromium'

    @staticmethod
    def start(downloads):
        return start_browser(downloads)

    @staticmethod
    def press(driver, *keys):
        ActionChains(driver).send_keys(*keys).perform()

    @staticmethod
    def show_at(driver, width, zoom):
        """The page `width` pixels wide at `zoom`: a window of width * zoom pixels zoomed."""
        driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride', {
            'width': width, 'height': 800, 'deviceScaleFactor': 2 if zoom == 1 else zoom,
            'mobile': width < 400})

    @staticmethod
    def show_as_started(driver):
        driver.execute_cdp_cmd('Emulation.clearDeviceMetricsOverride', {})


class Firefox:
    """Firefox ESR through its Marionette protocol (marionette.py)."""
    name = 'firefox'

    @staticmethod
    def start(downloads):
        return marionette.Firefox(downloads)

    @staticmethod
    def press(driver, *keys):
        driver.press(*keys)

    @staticmethod
    def show_at(driver, width, zoom):
        # Its window is 500 pixels wide at least: a phone's 360 pixels are had at 200%, as on
        # a phone whose pixels are two of the screen's.
        zoom = zoom if width * zoom >= 500 else 2
        driver.set_window_size(round(width * zoom), 1800)
        driver.zoom(zoom)

    @staticmethod
    def show_as_started(driver):
        driver.zoom(1)
        driver.set_window_size(1000, 1300)


BROWSERS = os.environ.get('TESSARY_BROWSERS', 'chromium firefox').split()


class PageTests:
    """The tests that run in each browser; the class that mixes them in names the browser."""
    browser = None

    @classmethod
    def setUpClass(cls):
        if cls.browser.name not in BROWSERS:
            raise unittest.SkipTest('not asked for (TESSARY_BROWSERS)')
        cls.work = tempfile.mkdtemp(prefix='tessary-page-')
        cls.corpus = os.path.join(cls.work, 'corpus')
        subprocess.run([os.path.join(NATIVE, 'tests', 'tessary-corpus'), cls.corpus, '40'],
                       check=True)
        cls.server = SiteServer(SITE)
        cls.downloads = os.path.join(cls.work, 'downloads')
        os.mkdir(cls.downloads)
        cls.driver = cls.browser.start(cls.downloads)

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.server.stop()
        shutil.rmtree(cls.work, ignore_errors=True)

    def setUp(self):
        for name in os.listdir(self.downloads):
            os.remove(os.path.join(self.downloads, name))
        self.visit()
        # The browser looks for a new version of the service worker at a visit, but Firefox not
        # when it looked a moment ago: the look is asked for here, and over before the test.
        self.assertIsNone(self.driver.execute_async_script(
            'const done = arguments[arguments.length - 1];'
            'navigator.serviceWorker.ready.then((r) => r.update()).then(() => done(null), (e) => done(String(e)))'))

    def tearDown(self):
        # What the page keeps for the next visit is the test's own.
        self.driver.execute_script('localStorage.clear()')

    def visit(self, query=''):
        self.driver.get(self.server.url + query)
        self.wait_for(lambda d: d.execute_script(
            'return document.readyState === "complete"'))

    # -- helpers -------------------------------------------------------------------------

    def wait_for(self, condition, timeout=60):
        return WebDriverWait(self.driver, timeout, poll_frequency=0.05).until(condition)

    def el(self, element_id):
        return self.driver.find_element(By.ID, element_id)

    def model(self, name):
        return os.path.join(self.corpus, name)

    def choose(self, *paths):
        self.el('model').clear()  # a file input that takes several adds to what it holds
        self.el('model').send_keys('\n'.join(paths))
        self.wait_for(lambda d: len(d.find_elements(By.CSS_SELECTOR, '#models > tr')) == len(paths))

    def type_factors(self, *texts):
        for element_id, text in zip(('scale-x', 'scale-y', 'scale-z'), texts):
            field = self.el(element_id)
            field.clear()
            field.send_keys(text)
        return field

    def status(self):
        return self.el('status').text

    def wait_for_status(self, start, timeout=120):
        try:
            self.wait_for(lambda d: self.status().startswith(start), timeout)
        except TimeoutException:
            self.fail('the status is %r, not %r; the list says %r; the console: %r' % (
                self.status(), start, self.el('models').text[:500],
                self.driver.get_log('browser')[-5:]))
        return self.status()

    def downloaded(self, name, timeout=30):
        path = os.path.join(self.downloads, name)
        self.wait_for(lambda d: os.path.exists(path) and not self.partial(), timeout)
        with open(path, 'rb') as file:
            return file.read()

    def partial(self):
        """Downloads under way: Chromium's .crdownload, Firefox's .part."""
        return [n for n in os.listdir(self.downloads) if n.endswith(('.crdownload', '.part'))]

    def press(self, *keys):
        self.browser.press(self.driver, *keys)

    def screenshot(self, what):
        os.makedirs(os.path.join(ROOT, 'build'), exist_ok=True)
        self.driver.save_screenshot(
            os.path.join(ROOT, 'build', 'web-page-%s-%s.png' % (self.browser.name, what)))

    def painted(self):
        """The dots of each panel of the large picture ({"Top, before": count, ...}): pixels of
        the colours of the points (vertices before or after the factors, and the others)."""
        return self.driver.execute_script('''
            const canvas = document.getElementById('views-canvas');
            const ratio = canvas.width / canvas.clientWidth;
            const style = getComputedStyle(canvas);
            const tint = (name) => {
              const probe = document.createElement('canvas').getContext('2d');
              probe.fillStyle = style.getPropertyValue(name).trim();
              probe.fillRect(0, 0, 1, 1);
              return [...probe.getImageData(0, 0, 1, 1).data.slice(0, 3)];
            };
            const colors = { false: tint('--before'), true: tint('--accent') };
            const other = tint('--other-points');
            const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
            const counts = {};
            for (const panel of TessaryViews.layout(canvas.clientWidth).panels) {
              const [r, g, b] = colors[panel.after];
              let count = 0;
              for (let y = Math.ceil(panel.top * ratio); y < (panel.top + panel.height) * ratio; ++y) {
                for (let x = Math.ceil(panel.left * ratio); x < (panel.left + panel.width) * ratio; ++x) {
                  const at = 4 * (y * canvas.width + x);
                  const is = (c) => data[at] === c[0] && data[at + 1] === c[1] && data[at + 2] === c[2];
                  if (data[at + 3] === 255 && (is([r, g, b]) || is(other))) ++count;
                }
              }
              counts[panel.view.name + (panel.after ? ', after' : ', before')] = count;
            }
            return counts;''')

    def native_info(self, model):
        run = subprocess.run([SCALE, '--info', '--json', model], capture_output=True, check=True)
        return json.loads(run.stdout)

    def native(self, model, *factors):
        out = os.path.join(self.work, 'native-' + os.path.basename(model))
        subprocess.run([SCALE, model, out, *factors], check=True)
        with open(out, 'rb') as file:
            return file.read()

    def native_fit(self, model, fit):
        out = os.path.join(self.work, 'native-fit-' + os.path.basename(model))
        subprocess.run([SCALE, '--fit', fit, model, out], check=True)
        with open(out, 'rb') as file:
            return file.read()

    def cli_refusal(self, *arguments):
        """What tessary-scale says when it refuses `arguments`, without its name and the
        pointer to --help."""
        run = subprocess.run([SCALE, *arguments], capture_output=True, text=True)
        self.assertNotEqual(run.returncode, 0, arguments)
        return run.stderr.removeprefix('tessary-scale: ').removesuffix('\n').removesuffix(
            " (see 'tessary-scale --help')")

    def write(self, name, data):
        path = os.path.join(self.work, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as file:
            file.write(data.encode() if isinstance(data, str) else data)
        return path

    def drop(self, *paths):
        """Drops files and folders on the page as a file manager does."""
        data = {'items': [], 'files': list(paths), 'dragOperationsMask': 1}
        for kind in ('dragEnter', 'dragOver', 'drop'):
            self.driver.execute_cdp_cmd('Input.dispatchDragEvent',
                                        {'type': kind, 'x': 200, 'y': 200, 'data': data})

    def ready(self, count=1):
        self.wait_for(lambda d: d.execute_script(
            'return [...document.querySelectorAll(".model-state")].filter('
            'e => e.textContent === "Ready.").length') == count)

    def in_view(self, element_id):
        return self.driver.execute_script(
            'const r = document.getElementById(arguments[0]).getBoundingClientRect();'
            'return r.top >= 0 && r.bottom <= window.innerHeight && r.height > 0;', element_id)

    # -- the tests -----------------------------------------------------------------------

    def test_one_model_is_downloaded_with_the_native_bytes(self):
        model = self.model('m0003.mdl')
        self.choose(model)
        self.wait_for(lambda d: 'Ready.' in d.find_element(By.ID, 'models').text)
        self.assertEqual(self.el('output').get_attribute('value'), 'm0003-scaled.mdl')
        self.type_factors('1.5', '1d2', '-0.25').send_keys(Keys.ENTER)
        self.assertEqual(self.wait_for_status('Done!'), 'Done!')
        self.assertEqual(self.downloaded('m0003-scaled.mdl'),
                         self.native(model, '1.5', '1d2', '-0.25'))
        report = self.el('details').text
        self.assertIn('Scale factors: 1.5 100 -0.25', report)
        self.assertIn('vertex points', report)
        self.screenshot('desktop')
        # The README's picture, when asked for; otherwise beside the build.
        if self.browser is Chromium:
            folder = 'docs' if os.environ.get('TESSARY_UPDATE_SCREENSHOT') else 'build'
            os.makedirs(os.path.join(ROOT, folder), exist_ok=True)
            self.driver.save_screenshot(os.path.join(ROOT, folder, 'web-page.png'))

    def test_the_output_field_names_the_download_and_scale_is_a_button(self):
        self.choose(self.model('m0005.mdl'))
        output = self.el('output')
        output.clear()
        output.send_keys('renamed.mdl')
        self.type_factors('2', '2', '2')
        self.el('scale').click()
        self.wait_for_status('Done!')
        self.assertEqual(self.downloaded('renamed.mdl'), self.native(self.model('m0005.mdl'), '2'))

    def test_several_models_go_into_a_zip(self):
        # Three workers at once, whatever the machine: the zip still follows the list.
        self.visit('?workers=3')
        self.assertEqual(self.driver.execute_script(
            'return document.documentElement.dataset.workers'), '3')
        names = ['m0001.mdl', 'm0003.mdl', 'm0007.mdl']
        other = os.path.join(self.work, 'other')
        os.makedirs(other, exist_ok=True)
        shutil.copy(self.model('m0009.mdl'), os.path.join(other, 'm0001.mdl'))
        # The last begins with more blanks than the pass holds back, which it writes out and
        # takes back: its zip entry is made from the output, not as it was written.
        blanks = ' ' * ((2 << 20) + 5) + 'position 1 2 3\nverts 1\n4 5 6\n'
        paths = [self.model(n) for n in names] + [os.path.join(other, 'm0001.mdl'),
                                                   self.write('empty.mdl', ''),
                                                   self.write('blanks.mdl', blanks)]
        self.choose(*paths)
        self.assertEqual(self.el('output').get_attribute('value'), 'scaled-models.zip')
        self.type_factors('2', '-3', '0.5').send_keys(Keys.ENTER)
        self.assertIn('6 models scaled into scaled-models.zip', self.wait_for_status('Done!'))
        archive = zipfile.ZipFile(io.BytesIO(self.downloaded('scaled-models.zip')))
        self.assertIsNone(archive.testzip())
        expected = {'m0001-scaled.mdl': paths[0], 'm0003-scaled.mdl': paths[1],
                    'm0007-scaled.mdl': paths[2], 'm0001-scaled (2).mdl': paths[3],
                    'empty-scaled.mdl': paths[4], 'blanks-scaled.mdl': paths[5]}
        self.assertEqual(archive.namelist(), list(expected))
        for entry, model in expected.items():
            self.assertEqual(archive.read(entry), self.native(model, '2', '-3', '0.5'), entry)
        # Beside Scale, what was saved, and the same saved again.
        self.assertEqual(self.el('saved-text').text, '6 models saved as scaled-models.zip')
        first = self.downloaded('scaled-models.zip')
        os.remove(os.path.join(self.downloads, 'scaled-models.zip'))
        self.el('save-again').click()
        self.assertEqual(self.downloaded('scaled-models.zip'), first)
        self.assertEqual(self.el('saved-text').text, '6 models saved again as scaled-models.zip')

    def test_a_file_that_is_not_text_under_a_hostile_name_is_refused(self):
        name = '<img src=x onerror="document.title=1">\x07&amp;.mdl'
        path = os.path.join(self.work, name)
        with open(path, 'wb') as file:
            file.write(bytes(range(256)) * 64)
        self.choose(path)
        self.wait_for(lambda d: 'is not model text' in d.find_element(By.ID, 'models').text)
        models = self.el('models')
        self.assertEqual(models.find_elements(By.TAG_NAME, 'img'), [])
        self.assertIn('<img src=x onerror="document.title=1">\\u0007&amp;.mdl', models.text)
        self.el('scale').click()
        # As tessary-scale refuses it, for the same reason.
        reason = self.cli_refusal(path, os.path.join(self.work, 'out.mdl'), '2').split(': ', 1)[1]
        self.assertEqual(self.wait_for_status('Unable to open input file.'),
                         'Unable to open input file. (<img src=x onerror="document.title=1">'
                         '\\u0007&amp;.mdl: ' + reason)
        self.assertTrue(reason.startswith('is not model text: '), reason)
        self.assertEqual(self.driver.title, 'Tessary')
        self.assertEqual(os.listdir(self.downloads), [])

    def test_factors_and_lengths_are_refused_as_tessary_scale_refuses_them(self):
        model = self.model('m0003.mdl')
        out = os.path.join(self.work, 'refused.mdl')
        self.choose(model)
        self.ready()
        # Rows: the field, the text typed, and tessary-scale's arguments for the same text.
        rows = [('scale-x', text, [model, out, text, '1', '1'])
                for text in ('', 'abc', ',5', '0x10', 'nan', 'inf', '1,5', '2x', '1e400')]
        rows += [('fit-length', text, ['--fit', 'z=' + text, model, out])
                 for text in ('-1', '1,8', '', 'abc', '0', 'nan', '1e400')]
        for field_id, text, arguments in rows:
            with self.subTest(field=field_id, text=text):
                if field_id == 'fit-length':
                    self.el('mode-fit').click()
                    field = self.el('fit-length')
                    field.clear()
                    field.send_keys(text)
                    field.send_keys(Keys.ENTER)
                else:
                    self.el('mode-factors').click()
                    self.type_factors(text, '1', '1').send_keys(Keys.ENTER)
                said = self.cli_refusal(*arguments)
                if field_id == 'fit-length':
                    said = said.removeprefix('--fit ')
                self.wait_for(lambda d: self.status() == 'Nothing was scaled: ' + said + '.')
                note = self.el(field_id + '-error')
                self.assertEqual(note.text, said)
                field = self.el(field_id)
                self.assertEqual(field.get_attribute('aria-invalid'), 'true')
                self.assertIn(field_id + '-error', field.get_attribute('aria-describedby').split())
                self.assertEqual(self.driver.switch_to.active_element.get_attribute('id'), field_id)
        # A number typed in its place takes the mark away.
        self.el('fit-length').clear()
        self.el('fit-length').send_keys('2')
        self.wait_for(lambda d: d.find_element(By.ID, 'fit-length').get_attribute('aria-invalid') is None)
        self.assertFalse(self.el('fit-length-error').is_displayed())
        self.assertEqual(os.listdir(self.downloads), [])

    def test_counts_are_singular_or_plural(self):
        one = self.write('one.mdl', 'verts 1\n1 2 3\n')
        picture = self.write('picture.mdl', bytes(range(256)) * 64)
        self.choose(one, picture)
        self.ready(1)
        self.assertIn('2 lines · 0 position/center lines · 1 verts block, 1 vertex line · '
                      '0 positionkey blocks, 0 key lines', self.el('details').text)
        self.type_factors('2', '2', '2').send_keys(Keys.ENTER)
        self.assertEqual(self.wait_for_status('Done!'), 'Done! 1 model scaled into scaled-models.zip. '
                         '1 could not be scaled: see the list.')
        self.assertIn('Done! 1 point scaled', self.el('models').text)
        self.assertEqual(self.el('saved-text').text, '1 model saved as scaled-models.zip')

    def test_nothing_is_asked_of_any_server_while_scaling(self):
        self.driver.execute_async_script(
            'navigator.serviceWorker.ready.then(() => arguments[0]())')
        self.choose(self.model('m0011.mdl'))
        self.wait_for(lambda d: 'Ready.' in d.find_element(By.ID, 'models').text)
        before = len(self.server.requests)
        self.type_factors('4', '4', '4').send_keys(Keys.ENTER)
        self.wait_for_status('Done!')
        self.downloaded('m0011-scaled.mdl')
        self.assertEqual(self.server.requests[before:], [])
        origins = self.driver.execute_script(
            'return performance.getEntriesByType("resource").map(e => new URL(e.name).origin)')
        self.assertEqual(set(origins) - {self.server.url.rstrip('/')}, set())
        policy = self.driver.execute_script(
            'return document.querySelector("meta[http-equiv=Content-Security-Policy]").content')
        self.assertIn("connect-src 'self'", policy)
        self.assertIn("script-src 'self' 'wasm-unsafe-eval'", policy)

    def test_controls_have_names_and_the_keyboard_reaches_them_in_order(self):
        labels = {'model': 'Model', 'output': 'Output', 'scale-x': 'Scale X',
                  'scale-y': 'Scale Y', 'scale-z': 'Scale Z'}
        for element_id, text in labels.items():
            label = self.driver.find_element(By.CSS_SELECTOR, 'label[for="%s"]' % element_id)
            self.assertEqual(label.get_attribute('textContent'), text)
        self.assertEqual(self.el('scale').text, 'Scale')
        self.assertIn('never leave this computer', self.el('privacy').text)
        self.assertRegex(self.el('version').text, r'^Tessary \d+\.\d+\.\d+\.\d+$')
        self.driver.find_element(By.TAG_NAME, 'h1').click()
        order = []
        while 'scale' not in order and len(order) < 12:
            self.press(Keys.TAB)
            order.append(self.driver.switch_to.active_element.get_attribute('id'))
        self.assertEqual(order[:1], ['model'])
        self.assertEqual([i for i in order if i in ('output', 'same-factor', 'scale-x', 'scale-y',
                                                    'scale-z', 'reset-factors', 'scale')],
                         ['output', 'same-factor', 'scale-x', 'scale-y', 'scale-z',
                          'reset-factors', 'scale'])
        label = self.driver.find_element(By.CSS_SELECTOR, 'label[for="same-factor"]')
        self.assertEqual(label.get_attribute('textContent'), 'Same factor for X, Y and Z')

    def test_a_narrow_screen_and_a_zoomed_page_need_no_sideways_scrolling(self):
        model = self.model('m0003.mdl')
        self.choose(model)
        self.wait_for(lambda d: 'Ready.' in d.find_element(By.ID, 'models').text)
        # 360 pixels: a phone; 640 at 200%: a 1280-pixel window zoomed.
        for width, zoom in ((360, 1), (640, 2)):
            self.browser.show_at(self.driver, width, zoom)
            try:
                self.wait_for(lambda d: d.execute_script('return window.innerWidth') == width)
                overflow = self.driver.execute_script(
                    'return document.documentElement.scrollWidth - window.innerWidth')
                self.assertLessEqual(overflow, 0, 'width %d' % width)
                self.assertTrue(self.el('scale').is_displayed())
                # Each radio button on the line of its label.
                for mode in ('mode-factors', 'mode-fit'):
                    radio = self.el(mode).rect
                    label = self.driver.find_element(By.CSS_SELECTOR, 'label[for="%s"]' % mode).rect
                    self.assertLess(abs((radio['y'] + radio['height'] / 2) -
                                        (label['y'] + label['height'] / 2)), label['height'] / 2,
                                    '%s at width %d' % (mode, width))
                # The table's caption is whole, not cut by the table's scrolling.
                self.assertTrue(self.driver.execute_script(
                    'const c = document.querySelector("#details .table-title");'
                    'const r = c.getBoundingClientRect();'
                    'return c.scrollWidth <= c.clientWidth && r.right <= window.innerWidth;'),
                    'width %d' % width)
                # The pictures, within the page, with their words.
                self.wait_for(lambda d: all(self.painted().values()))
                self.assertTrue(self.driver.execute_script(
                    'const r = document.getElementById("views-canvas").getBoundingClientRect();'
                    'return r.left >= 0 && r.right <= window.innerWidth;'), 'width %d' % width)
                self.assertIn('Before: X', self.el('views-caption').text)
                self.driver.execute_script('document.getElementById("preview").scrollIntoView()')
                self.screenshot('%d-at-%d%%' % (width, 100 * zoom))
                self.driver.execute_script('window.scrollTo(0, 0)')
                # The outcome of Scale, below the form, is brought into view and focused.
                self.driver.execute_script('window.scrollTo(0, 0)')
                self.type_factors('2', '2', '2').send_keys(Keys.ENTER)
                self.wait_for_status('Done!')
                self.wait_for(lambda d: d.switch_to.active_element.get_attribute('id') == 'status')
                self.assertTrue(self.in_view('status'), 'width %d' % width)
                self.downloaded('m0003-scaled.mdl')
                os.remove(os.path.join(self.downloads, 'm0003-scaled.mdl'))
            finally:
                self.browser.show_as_started(self.driver)

    def test_the_three_views_are_drawn_and_follow_the_factors_before_anything_is_saved(self):
        model = self.model('m0001.mdl')
        self.choose(model)
        self.ready()
        # Every panel, before and after, holds points, with the lengths in words beside.
        self.wait_for(lambda d: all(self.painted().values()))
        painted = self.painted()
        self.assertEqual(sorted(painted), sorted('%s, %s' % (view, when) for view in
                                                 ('Top', 'Front', 'Side') for when in ('before', 'after')))
        canvas = self.el('views-canvas')
        self.assertEqual(canvas.get_attribute('role'), 'img')
        caption = self.el(canvas.get_attribute('aria-labelledby'))
        # The lengths of the box around every point, as tessary-scale --info reports the boxes.
        info = self.native_info(model)
        boxes = [info[kind]['box'] for kind in ('positions', 'vertices', 'keys') if info[kind]['box']]
        lengths = lambda factors: ' × '.join('%s %s' % (axis, '%.4g' % abs(factors[i] * (
            max(b['max'][i] for b in boxes) - min(b['min'][i] for b in boxes))))
            for i, axis in enumerate('XYZ'))
        self.assertIn('Before: %s. After: %s.' % (lengths([1, 1, 1]), lengths([1, 1, 1])), caption.text)
        # Rows: the factors typed; the pictures and words after them, drawn as they are typed.
        picture = canvas.get_attribute('data-drawn')
        for factors in (['3', '1', '1'], ['-1', '1', '0.01'], ['1', '100', '1']):
            with self.subTest(factors=factors):
                self.type_factors(*factors)
                expected = 'After: %s.' % lengths([float(f) for f in factors])
                self.wait_for(lambda d: expected in caption.text)
                self.wait_for(lambda d: canvas.get_attribute('data-drawn') != picture)
                picture = canvas.get_attribute('data-drawn')
                self.assertTrue(all(self.painted().values()), self.painted())
                self.assertEqual(self.painted(), self.painted())
        # A hundredfold model makes the model before it a speck: one scale for all panels.
        after = self.painted()
        self.assertLess(after['Top, before'], after['Top, after'])
        # A factor refused: no picture after, and words that say why.
        self.type_factors('abc', '1', '1')
        self.wait_for(lambda d: 'After: none until the fields marked are corrected.' in caption.text)
        self.wait_for(lambda d: self.painted()['Front, after'] == 0)
        self.assertEqual(os.listdir(self.downloads), [])
        self.assertFalse(self.el('saved').is_displayed())

    def test_an_empty_page_is_a_drop_target_and_pasted_files_are_chosen(self):
        target = self.el('drop-target')
        self.assertTrue(target.is_displayed())
        self.assertIn('Drop models here', target.text)
        self.assertIn('a folder of models', target.text)
        # Most of the empty page's first screen, with the file button inside for the keyboard.
        height = self.driver.execute_script('return window.innerHeight')
        self.assertGreater(target.rect['height'], 0.4 * height)
        self.assertEqual(target.find_element(By.ID, 'model').get_attribute('type'), 'file')
        self.assertFalse(self.el('models-section').is_displayed())
        self.screenshot('empty')
        if self.browser is Firefox:
            return  # A paste made by a script reaches Firefox's page without its files.
        # Files pasted anywhere are chosen, in their order; the target becomes a band.
        self.driver.execute_script('''
            const files = new DataTransfer();
            files.items.add(new File(['verts 1\\n1 2 3\\n'], 'first.mdl'));
            files.items.add(new File(['position 4 5 6\\n'], 'second.mdl'));
            document.body.dispatchEvent(new ClipboardEvent('paste', { clipboardData: files, bubbles: true }));''')
        self.wait_for(lambda d: len(d.find_elements(By.CSS_SELECTOR, '#models > tr')) == 2)
        self.ready(2)
        self.assertEqual([e.text for e in self.driver.find_elements(By.CSS_SELECTOR, '#models .model-name')],
                         ['first.mdl', 'second.mdl'])
        self.assertLess(self.el('drop-target').rect['height'], 0.25 * height)
        self.assertTrue(self.el('models-section').is_displayed())
        # Text pasted into a field stays text.
        self.el('scale-x').clear()
        self.driver.execute_script('''
            const text = new DataTransfer();
            text.setData('text/plain', '2');
            document.getElementById('scale-x').dispatchEvent(
              new ClipboardEvent('paste', { clipboardData: text, bubbles: true }));''')
        self.assertEqual(len(self.driver.find_elements(By.CSS_SELECTOR, '#models > tr')), 2)

    def test_twenty_models_get_a_row_and_a_picture_each(self):
        names = ['m%04d.mdl' % i for i in range(20)]
        self.choose(*[self.model(n) for n in names])
        self.ready(20)
        self.assertEqual(self.status(), '20 models chosen.')
        rows = self.driver.find_elements(By.CSS_SELECTOR, '#models > tr')
        self.assertEqual(len(rows), 20)
        for name, row in zip(names, rows):
            info = self.native_info(self.model(name))
            cells = row.find_elements(By.CSS_SELECTOR, 'th, td')
            self.assertEqual(cells[1].find_element(By.CLASS_NAME, 'model-name').text, name)
            self.assertEqual(cells[2].text.split()[-1], str(info['lines']), name)
            self.assertEqual(cells[3].text.split()[-1], str(info['positions']['lines'] +
                             info['vertices']['lines'] + info['keys']['lines']), name)
            self.assertIn('→', cells[4].text)
            self.assertEqual(len(row.find_elements(By.CLASS_NAME, 'row-save')), 1)
        # A small picture for each model, the large one for the one selected.
        self.wait_for(lambda d: d.execute_script(
            'return [...document.querySelectorAll("#models canvas.thumb")].every(c => c.dataset.drawn)'), 120)
        self.assertTrue(self.el('views-caption').text.startswith('m0000.mdl from the top'))
        rows[7].find_element(By.CLASS_NAME, 'model-name').click()
        self.wait_for(lambda d: self.el('views-caption').text.startswith('m0007.mdl from the top'))
        self.assertEqual(rows[7].find_element(By.CLASS_NAME, 'model-name').get_attribute('aria-pressed'), 'true')
        self.assertEqual(self.el('details').find_element(By.TAG_NAME, 'h3').text, 'm0007.mdl')
        # A row's own Save: that model alone, under its own name.
        self.type_factors('2', '2', '2')
        rows[3].find_element(By.CLASS_NAME, 'row-save').click()
        self.wait_for_status('Done!')
        self.assertEqual(self.downloaded('m0003-scaled.mdl'), self.native(self.model('m0003.mdl'), '2'))
        self.assertEqual(self.el('saved-text').text, '1 model saved as m0003-scaled.mdl')

    def test_the_same_factor_box_sets_all_three_and_is_remembered(self):
        box = self.el('same-factor')
        factors = lambda: [self.el(i).get_attribute('value') for i in ('scale-x', 'scale-y', 'scale-z')]
        # Unchecked on a first visit: three factors typed mean what they say.
        self.assertIsNone(box.get_attribute('checked'))
        self.type_factors('2', '3', '4')
        self.assertEqual(factors(), ['2', '3', '4'])
        # Checked, the three take the first, and typing one sets the other two.
        box.click()
        self.assertEqual(factors(), ['2', '2', '2'])
        field = self.el('scale-y')
        field.clear()
        field.send_keys('0.5')
        self.assertEqual(factors(), ['0.5', '0.5', '0.5'])
        self.visit()
        self.assertEqual(self.el('same-factor').get_attribute('checked'), 'true')
        self.assertEqual(factors(), ['0.5', '0.5', '0.5'])
        # Unchecked again, the next visit too.
        self.el('same-factor').click()
        self.el('scale-z').send_keys('1')
        self.assertEqual(factors(), ['0.5', '0.5', '0.51'])
        self.visit()
        self.assertIsNone(self.el('same-factor').get_attribute('checked'))

    def test_the_factors_and_the_fit_are_restored_on_the_next_visit_until_reset(self):
        fields = lambda: {i: self.el(i).get_attribute('value') for i in
                          ('scale-x', 'scale-y', 'scale-z', 'fit-axis', 'fit-length')}
        defaults = {'scale-x': '1', 'scale-y': '1', 'scale-z': '1', 'fit-axis': '2', 'fit-length': '1'}
        self.assertEqual(fields(), defaults)
        self.type_factors('1.5', '1d2', '-0.25')
        self.el('mode-fit').click()
        self.driver.execute_script(
            'const axis = document.getElementById("fit-axis"); axis.value = "0";'
            'axis.dispatchEvent(new Event("input", { bubbles: true }));')
        self.el('fit-length').clear()
        self.el('fit-length').send_keys('2.5')
        kept = dict(defaults, **{'scale-x': '1.5', 'scale-y': '1d2', 'scale-z': '-0.25',
                                 'fit-axis': '0', 'fit-length': '2.5'})
        before = len(self.server.requests)
        self.visit()
        self.assertEqual(fields(), kept)
        self.assertEqual(self.el('mode-fit').get_attribute('checked'), 'true')
        self.assertTrue(self.el('fit-length').is_displayed())
        # Kept on this machine: the visit asked for the site's own files, nothing more.
        self.assertFalse(any('1d2' in r or '2.5' in r for r in self.server.requests[before:]))
        # Reset: the defaults, now and on the next visit.
        self.el('reset-factors').click()
        self.assertEqual(fields(), defaults)
        self.assertEqual(self.el('mode-factors').get_attribute('checked'), 'true')
        self.visit()
        self.assertEqual(fields(), defaults)
        self.assertEqual(self.el('mode-factors').get_attribute('checked'), 'true')


class ChromiumPageTest(PageTests, unittest.TestCase):
    browser = Chromium

    def test_cancel_stops_big_models_and_saves_nothing(self):
        big = os.path.join(self.work, 'big.mdl')
        block = ''.join('%d.25 %d.5 -%d.125\n' % (i, i * 7 % 1000, i % 97) for i in range(20000))
        with open(big, 'w') as file:
            for _ in range(150):  # 65 MB
                file.write('verts 20000\n' + block)
            # and zeros up to 1 GiB, which the disk does not hold, so that scaling lasts
            file.truncate(1 << 30)
        other = os.path.join(self.work, 'big-too.mdl')
        if not os.path.exists(other):
            os.link(big, other)
        # Rows: how the run is cancelled, while the models are being scaled, and the models,
        # each on a worker of its own.
        rows = [('the Cancel button', [big]), ('Escape', [big]), ('the Cancel button', [big, other])]
        for how, chosen in rows:
            with self.subTest(how=how, models=len(chosen)):
                self.visit('?workers=%d' % len(chosen))
                self.choose(*chosen)
                self.ready(len(chosen))
                self.type_factors('2', '2', '2').send_keys(Keys.ENTER)
                # Progress shows after half a second.
                self.wait_for(lambda d: d.find_element(By.ID, 'progress').is_displayed())
                states = lambda: [e.text for e in self.driver.find_elements(By.CSS_SELECTOR, '.model-state')]
                self.assertEqual(states(), ['Scaling the model...'] * len(chosen))
                if how == 'Escape':
                    ActionChains(self.driver).send_keys(Keys.ESCAPE).perform()
                else:
                    self.el('cancel').click()
                self.assertEqual(self.wait_for_status('Cancelled', 5), 'Cancelled: nothing was saved.')
                self.assertFalse(self.el('progress').is_displayed())
                self.assertEqual(states(), ['Not scaled: cancelled.'] * len(chosen))
                time.sleep(1)
                self.assertEqual(os.listdir(self.downloads), [])
        # The page goes on working with a new worker.
        self.choose(self.model('m0002.mdl'))
        self.type_factors('3', '3', '3').send_keys(Keys.ENTER)
        self.wait_for_status('Done!')
        self.assertEqual(self.downloaded('m0002-scaled.mdl'), self.native(self.model('m0002.mdl'), '3'))

    def test_models_read_in_many_slices_give_the_native_bytes(self):
        # Where Chromium can suspend the pass at each read, the model comes from its stream in
        # slices of 8 MiB, the next read while the pass works; a browser that cannot (here a
        # copy of the site whose worker hides that ability) reads each slice at once. Either
        # way no byte is lost or doubled at the slices' edges. Rows: how the worker reads, and
        # the models (name, text) it reads so.
        without = os.path.join(self.work, 'site-without-suspending')
        shutil.copytree(SITE, without, dirs_exist_ok=True)
        with open(os.path.join(without, 'worker.js')) as file:
            worker = file.read()
        with open(os.path.join(without, 'worker.js'), 'w') as file:
            file.write(worker.replace("'use strict';\n",
                                      "'use strict';\nWebAssembly.Suspending = undefined;\n", 1))
        block = ''.join('%d.25 %d.5 -%d.125\n' % (i, i * 7 % 1000, i % 97) for i in range(20000))
        models = [
            ('vertex-lines.mdl', ('verts 20000\n' + block) * 45),  # 19 MB
            ('long-line.mdl', 'node ' + 'x' * (9 << 20) + '\nposition 1 2 3\nverts 1\n4 5 6\n'),
        ]
        for name, text in models:
            with open(os.path.join(self.work, name), 'w') as file:
                file.write(text)
        other = SiteServer(without)
        try:
            for reading, server in (('suspending', self.server), ('synchronous', other)):
                self.driver.get(server.url)
                self.wait_for(lambda d: d.execute_script(
                    'return document.readyState === "complete"'))
                for name, _ in models:
                    with self.subTest(reading=reading, model=name):
                        path = os.path.join(self.work, name)
                        self.choose(path)
                        self.wait_for(lambda d: 'Ready.' in d.find_element(By.ID, 'models').text)
                        self.type_factors('2', '-3', '0.5').send_keys(Keys.ENTER)
                        self.wait_for_status('Done!')
                        output = name.replace('.mdl', '-scaled.mdl')
                        self.assertEqual(self.downloaded(output),
                                         self.native(path, '2', '-3', '0.5'))
                        state = self.driver.find_element(By.CSS_SELECTOR, '.model-state')
                        self.assertEqual(state.get_attribute('data-reading'), reading)
                        os.remove(os.path.join(self.downloads, output))
        finally:
            other.stop()

    def test_a_model_that_holds_infinite_values_is_fitted(self):
        model = self.write('infinite.mdl', 'position 1e999 0 0\nverts 2\n0 0 0\n0 0 33.0882\n')
        self.choose(model)
        self.ready()
        self.el('mode-fit').click()
        self.el('fit-length').clear()
        self.el('fit-length').send_keys('1.8', Keys.ENTER)
        self.assertEqual(self.wait_for_status('Done!'), 'Done!')
        self.assertEqual(self.downloaded('infinite-scaled.mdl'), self.native_fit(model, 'z=1.8'))

    def test_models_with_unusual_bytes_are_scaled_as_tessary_scale_scales_them(self):
        # Rows: name, text; each is model text to tessary-scale.
        rows = [('tabs.mdl', 'verts 40\n' + '1\v2\f3\n' * 40),
                ('nul.mdl', 'verts 1\n1 \x002'),
                ('zeros.mdl', 'position 1 2 3\n' + '\0' * 70000)]
        for name, text in rows:
            with self.subTest(model=name):
                model = self.write(name, text)
                self.choose(model)
                self.ready()
                self.type_factors('2', '2', '2').send_keys(Keys.ENTER)
                self.assertEqual(self.wait_for_status('Done!'), 'Done!')
                output = name.replace('.mdl', '-scaled.mdl')
                self.assertEqual(self.downloaded(output), self.native(model, '2'))
                os.remove(os.path.join(self.downloads, output))

    def test_a_model_changed_or_deleted_after_it_was_chosen_is_named(self):
        # Rows: what happens to the model once chosen.
        def append(path):
            with open(path, 'a') as file:
                file.write('position 4 5 6\n')
        rows = [('deleted.mdl', os.remove), ('changed.mdl', append)]
        for name, change in rows:
            with self.subTest(model=name):
                model = self.write(name, 'verts 1\n1 2 3\n')
                self.choose(model)
                self.ready()
                change(model)
                self.el('scale').click()
                self.assertEqual(self.wait_for_status('Unable to read'),
                                 'Unable to read %s: it was moved, deleted or changed after it '
                                 'was chosen. Choose it again.' % name)
                self.assertEqual(os.listdir(self.downloads), [])

    def test_a_dropped_folder_gives_its_models_in_their_folders(self):
        parts = os.path.join(self.work, 'parts')
        shutil.rmtree(parts, ignore_errors=True)
        inside = {'parts/a.mdl': self.model('m0001.mdl'), 'parts/wheels/w.mdl': self.model('m0002.mdl')}
        for name, source in inside.items():
            os.makedirs(os.path.dirname(os.path.join(self.work, name)), exist_ok=True)
            shutil.copy(source, os.path.join(self.work, name))
        self.write('parts/readme.txt', 'not a model')
        self.write('photos/x.png', 'not a model either')
        alone = self.model('m0005.mdl')
        self.drop(parts, alone)
        self.wait_for(lambda d: len(d.find_elements(By.CSS_SELECTOR, '#models > tr')) == 3)
        self.assertEqual([h.text for h in self.driver.find_elements(By.CSS_SELECTOR, '#models .model-name')],
                         ['parts/a.mdl', 'parts/wheels/w.mdl', 'm0005.mdl'])
        self.ready(3)
        self.type_factors('2', '-3', '0.5').send_keys(Keys.ENTER)
        self.assertEqual(self.wait_for_status('Done!'), 'Done! 3 models scaled into scaled-models.zip.')
        archive = zipfile.ZipFile(io.BytesIO(self.downloaded('scaled-models.zip')))
        expected = {'parts/a-scaled.mdl': os.path.join(self.work, 'parts/a.mdl'),
                    'parts/wheels/w-scaled.mdl': os.path.join(self.work, 'parts/wheels/w.mdl'),
                    'm0005-scaled.mdl': alone}
        self.assertEqual(sorted(archive.namelist()), sorted(expected))
        for entry, model in expected.items():
            self.assertEqual(archive.read(entry), self.native(model, '2', '-3', '0.5'), entry)
        # A folder without a model is named, and nothing is chosen from it.
        self.drop(os.path.join(self.work, 'photos'))
        self.wait_for_status('The folder')
        self.assertEqual(self.status(), 'The folder photos holds no .mdl file: nothing in it was chosen.')
        self.assertEqual(len(self.driver.find_elements(By.CSS_SELECTOR, '#models > tr')), 3)

    def test_names_are_shown_and_saved_as_they_really_are(self):
        # Rows: the model's name, as the page shows it, the Output field's text (None: as
        # the page fills it), the name the download gets.
        rows = [('photo\u202egnp.mdl', 'photo\\u202egnp.mdl', None, 'photognp-scaled.mdl'),
                ('noextension', 'noextension', None, 'noextension-scaled.mdl'),
                ('plain.mdl', 'plain.mdl', 'renamed', 'renamed.mdl')]
        for name, shown, typed, saved in rows:
            with self.subTest(model=name):
                model = self.write(name, 'verts 1\n1 2 3\n')
                self.choose(model)
                self.ready()
                self.assertEqual(self.el('models').find_element(By.CLASS_NAME, 'model-name').text, shown)
                if typed is not None:
                    self.el('output').clear()
                    self.el('output').send_keys(typed)
                else:
                    self.assertEqual(self.el('output').get_attribute('value'), saved)
                self.type_factors('2', '2', '2').send_keys(Keys.ENTER)
                self.wait_for_status('Done!')
                self.assertEqual(self.downloaded(saved), self.native(model, '2'))
                self.assertIn(' as %s.' % saved, self.el('models').find_element(
                    By.CSS_SELECTOR, '.model-state').text)
                os.remove(os.path.join(self.downloads, saved))

    def test_a_thousand_and_one_files_are_listed_up_to_a_thousand_with_a_message(self):
        folder = os.path.join(self.work, 'many')
        os.makedirs(folder, exist_ok=True)
        paths = []
        for i in range(1001):
            paths.append(os.path.join(folder, 'm%04d.mdl' % i))
            with open(paths[-1], 'w') as file:
                file.write('verts 1\n%d 2 3\n' % i)
        self.el('model').send_keys('\n'.join(paths))
        self.wait_for(lambda d: len(d.find_elements(By.CSS_SELECTOR, '#models > tr')) == 1000)
        self.assertIn('1001 files were chosen', self.status())
        self.assertIn('only the first 1000 are listed', self.status())
        self.wait_for(lambda d: d.execute_script(
            'return [...document.querySelectorAll(".model-state")].filter('
            'e => e.textContent === "Ready.").length') == 1000, 120)


    def test_models_opened_with_the_installed_app_go_straight_into_the_preview(self):
        # The installed app is handed the files opened from the file manager through
        # window.launchQueue; a headless browser installs no app, so the page is given a queue
        # that hands over files of the origin's private file system as the system would.
        script = self.driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': (
            'Object.defineProperty(window, "launchQueue", { configurable: true, value: {'
            '  setConsumer(consumer) { window.tessaryLaunch = consumer; } } });')})
        try:
            self.visit()
            self.driver.execute_async_script('''
                const done = arguments[arguments.length - 1];
                (async () => {
                  const folder = await navigator.storage.getDirectory();
                  const handles = [];
                  for (const [name, text] of [['opened.mdl', 'verts 2\\n1 2 3\\n4 6 8\\n'],
                                              ['also.mdl', 'position 1 1 1\\n']]) {
                    const handle = await folder.getFileHandle(name, { create: true });
                    const writable = await handle.createWritable();
                    await writable.write(text);
                    await writable.close();
                    handles.push(handle);
                  }
                  await window.tessaryLaunch({ files: handles });
                })().then(done, (error) => done(String(error)));''')
            self.ready(2)
            self.assertEqual([e.text for e in self.driver.find_elements(By.CSS_SELECTOR, '#models .model-name')],
                             ['opened.mdl', 'also.mdl'])
            self.wait_for(lambda d: all(self.painted().values()))
            self.assertIn('opened.mdl from the top', self.el('views-caption').text)
            self.assertIn('Before: X 3 × Y 4 × Z 5.', self.el('views-caption').text)
        finally:
            self.driver.execute_cdp_cmd('Page.removeScriptToEvaluateOnNewDocument',
                                        {'identifier': script['identifier']})


class FirefoxPageTest(PageTests, unittest.TestCase):
    browser = Firefox


class SiteTest(unittest.TestCase):
    def test_a_new_version_of_the_site_is_offered_on_the_next_visit(self):
        work = tempfile.mkdtemp(prefix='tessary-update-')
        site = os.path.join(work, 'site')
        shutil.copytree(SITE, site)
        server = SiteServer(site)
        driver = start_browser(work)
        try:
            driver.get(server.url)
            driver.execute_async_script(
                'navigator.serviceWorker.ready.then(() => arguments[0]())')
            self.assertFalse(driver.find_element(By.ID, 'update').is_displayed())
            with open(os.path.join(site, 'sw.js')) as file:
                worker = file.read()
            with open(os.path.join(site, 'sw.js'), 'w') as file:
                file.write(worker.replace("const BUILD = '", "const BUILD = 'next-"))
            driver.refresh()
            WebDriverWait(driver, 30).until(
                lambda d: d.find_element(By.ID, 'update').is_displayed())
            self.assertIn('A new version of Tessary is ready', driver.find_element(By.ID, 'update').text)
            driver.find_element(By.ID, 'reload').click()
            WebDriverWait(driver, 30).until(lambda d: d.execute_script(
                'return navigator.serviceWorker.controller && '
                'document.readyState === "complete" && '
                'document.getElementById("update").hidden'))
            names = driver.execute_async_script('caches.keys().then(arguments[0])')
            self.assertEqual([n for n in names if n.startswith('tessary-')],
                             [n for n in names if n.startswith('tessary-next-')])
        finally:
            driver.quit()
            server.stop()
            shutil.rmtree(work, ignore_errors=True)


class OfflineTest(unittest.TestCase):
    def test_the_page_works_offline_after_its_first_visit(self):
        work = tempfile.mkdtemp(prefix='tessary-offline-')
        server = SiteServer(SITE)
        driver = start_browser(work)
        try:
            driver.get(server.url)
            driver.execute_async_script(
                'navigator.serviceWorker.ready.then(() => arguments[0]())')
            server.stop()
            driver.refresh()
            self.assertEqual(driver.title, 'Tessary')
            model = os.path.join(work, 'offline.mdl')
            with open(model, 'w') as file:
                file.write('verts 1\n1 2 3\n')
            driver.find_element(By.ID, 'model').send_keys(model)
            driver.find_element(By.ID, 'scale-x').send_keys(Keys.ENTER)
            WebDriverWait(driver, 30).until(
                lambda d: d.find_element(By.ID, 'status').text == 'Done!')
        finally:
            driver.quit()
            shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    result = unittest.main(exit=False, verbosity=2).result
    failed = len(result.failures) + len(result.errors)
    print('%d passed, %d failed' % (result.testsRun - failed, failed))
    sys.exit(1 if failed else 0)
